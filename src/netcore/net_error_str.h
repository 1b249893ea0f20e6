// Texts for the library's failure codes: negative codes are the library's own,
// positive ones are Windows Sockets codes (as the sockets stand-in reports them).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace NET {
/// Longest text NetErrorStr gives for a sockets code or a number without a row.
inline constexpr std::size_t MaxErrorStrLen = 255;
}  // namespace NET

/// The text of any code. Sockets codes and numbers without a row are cut to
/// 255 characters and written as an error line when Logging or LogErrors is 1;
/// library codes are returned as they stand and never logged.
/// Any thread may call; takes no lock.
std::string NetErrorStr(int32_t error);

/// The library's own text for a library code (-1 to -75, -90 to -92), or an
/// empty text when the code has no row.
std::string_view NetLibraryErrorText(int32_t error);
