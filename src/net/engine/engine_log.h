// Log lines of the socket engine, in the three kinds of the library trace:
// a detail line is composed only when LogAll is on, a normal line only when
// Logging is on, an error line always (the writer decides whether it shows).
// Any thread may call; the switches are settled at start-up.
#pragma once

#include <fmt/format.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "netcore/net_error_str.h"
#include "netcore/net_log.h"
#include "netcore/net_memory.h"

template <class... Args>
void DetailLine(std::string_view function, fmt::format_string<Args...> text, Args&&... args) {
    if (NetMemory.LogAll != 1) return;
    WriteToLog(fmt::format(text, std::forward<Args>(args)...), function, 0);
}

template <class... Args>
void NormalLine(std::string_view function, fmt::format_string<Args...> text, Args&&... args) {
    if (NetMemory.Logging != 1) return;
    WriteToLog(fmt::format(text, std::forward<Args>(args)...), function, 0);
}

template <class... Args>
void ErrorLine(std::string_view function, fmt::format_string<Args...> text, Args&&... args) {
    WriteToLog(fmt::format(text, std::forward<Args>(args)...), function, NET::ErrorLine);
}

/// "<code> <text>", as engine lines show a Windows Sockets code.
inline std::string CodeAndText(int32_t code) { return fmt::format("{} {}", code, NetErrorStr(code)); }
