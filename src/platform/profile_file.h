// Settings files of sections and keys ("private profile" files).
//
// A line "[name]" opens a section; each following "key=value" line holds one
// key. Section and key names compare without regard to letter case, and the
// file name is resolved without regard to case inside its directory, so
// "Brackwater.ini" and "Brackwater.INI" name one file. A backslash in a file
// name separates directories as a slash does (".\Brackwater.ini").
//
// Reading never changes the file. Writing keeps every other line exactly as it
// was and replaces the file in one step (a temporary file beside it, then a
// rename), so a crash never leaves a half-written settings file. A file that
// is a symbolic link stays one: the file it names is replaced, beside itself.
// A read-only file is never replaced.
//
// Any thread may call; concurrent writers to one file are not coordinated
// (the last rename wins), which is all a settings file needs.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

/// The longest value a read returns; longer stored values are cut.
constexpr std::size_t kMaxProfileValue = 1023;
/// Files larger than this are not settings files: reads give the default and
/// writes fail, leaving the file alone.
constexpr std::size_t kMaxProfileFileSize = 4u << 20;

/// The value of `key` in `section` of `fileName`, without surrounding blanks,
/// at most kMaxProfileValue characters; `defaultText` when the file, the
/// section or the key is missing. Trailing blanks of all four arguments are ignored.
std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultText,
                                    std::string_view fileName);

/// Stores `value` (trailing blanks removed, cut at a line break) as `key` of
/// `section`, creating the file and the section when missing. Returns false
/// when the write failed (missing directory, read-only file or place, a name
/// that cannot be stored); the file is then unchanged.
bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               std::string_view fileName);

/// Why this thread's last WritePrivateProfileString failed, in words; "" after a success.
std::string LastProfileWriteError();

/// The existing file that `fileName` names, found without regard to the case
/// of its last component; `fileName` itself (with '\' turned into '/') when
/// none exists yet.
std::string ResolveProfilePath(std::string_view fileName);

}  // namespace platform
