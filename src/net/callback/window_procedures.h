// Window procedures kept by number, so that a procedure can be saved in a
// LONG field (NetMemory.CallBackWindowClientSavedProc and ...MainSavedProc)
// and called through it later, as a window's saved procedure is.
#pragma once

#include <cstdint>

using NetWindowProc = int32_t (*)(int32_t hWnd, int32_t Msg, int32_t wParam, int32_t lParam);

/// The number of `procedure` (given on first use; never 0). Any thread may call.
int32_t NetWindowProcNumber(NetWindowProc procedure);

/// Calls the procedure kept under `number`; a number that holds none gives 0.
int32_t NetCallWindowProc(int32_t number, int32_t hWnd, int32_t Msg, int32_t wParam, int32_t lParam);

/// What a window does with a message that nobody handles: nothing, result 0.
int32_t NetDefaultWindowProc(int32_t hWnd, int32_t Msg, int32_t wParam, int32_t lParam);
