// The desktop's full-window-drag setting (whether a window's contents follow
// the pointer while it is dragged). Nothing on this desktop honours it; it is
// kept so that a program can read, change and restore it as it would on the
// system it was designed for. The stored setting lives in the registry
// stand-in under the current user's "Control Panel\Desktop" key, value
// "DragFullWindows" ("1" on, "0" off); a missing value means off.
//
// Any thread may call.
#pragma once

#include <cstdint>

namespace platform {

/// Actions of SystemParametersInfoA that this stand-in knows.
inline constexpr uint32_t SPI_SETDRAGFULLWINDOWS = 37;
inline constexpr uint32_t SPI_GETDRAGFULLWINDOWS = 38;

/// Update flags: write the user profile, and tell every window.
inline constexpr uint32_t SPIF_UPDATEINIFILE = 1;
inline constexpr uint32_t SPIF_SENDCHANGE = 2;

inline constexpr const char* kDesktopKey = "Control Panel\\Desktop";
inline constexpr const char* kDragFullWindowsValue = "DragFullWindows";

/// SPI_GETDRAGFULLWINDOWS stores the setting (1 on, 0 off) into the int32_t
/// that `pvParam` points to; SPI_SETDRAGFULLWINDOWS sets it to `uiParam`
/// (non-zero is on). A set without SPIF_UPDATEINIFILE lasts for this process
/// only. Returns 1 for success, 0 for an unknown action, a null `pvParam` on a
/// get, or a profile that cannot be written.
int32_t SystemParametersInfoA(uint32_t uiAction, uint32_t uiParam, void* pvParam, uint32_t fWinIni);

/// Forgets a setting made for this process only (tests).
void ResetSessionDesktopSettings();

}  // namespace platform
