#include "platform/profile_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/fixed_text.h"

namespace platform {
namespace {

constexpr std::string_view kBlanks = " \t\r";
/// Symbolic links followed before a write gives up, as the kernel's own limit.
constexpr int kMaxLinkHops = 40;

thread_local std::string tLastWriteError;

/// Records why this thread's write failed; always false.
bool Fail(std::string reason) {
    tLastWriteError = std::move(reason);
    return false;
}

std::string ErrnoText(std::string_view what, int error) {
    return std::string(what) + ": " + std::system_category().message(error);
}

std::string_view TrimBlanks(std::string_view text) {
    auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string NormalizeFileName(std::string_view fileName) {
    std::string name(TrimRight(fileName));
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

struct SplitPath {
    std::string directory;  // "" means the working directory
    std::string base;
};

SplitPath Split(const std::string& path) {
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return {"", path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The lines of a settings file, each without its '\n' (a '\r' before it stays,
// so lines that are not touched are written back byte for byte).
struct ProfileLines {
    std::vector<std::string> lines;
    bool crlf = false;  // new lines follow the file's own line ending
};

enum class Loaded { Ok, Missing, Unusable };

/// Reads the file at `path`; `why` (when given) tells what made it unusable.
Loaded Load(const std::string& path, ProfileLines& out, std::string* why = nullptr) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return Loaded::Missing;
        if (why != nullptr) *why = ErrnoText("cannot read " + path, errno);
        return Loaded::Unusable;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > kMaxProfileFileSize) {
        ::close(fd);
        if (why != nullptr) *why = path + " is not a settings file (not a plain file, or over 4 MB)";
        return Loaded::Unusable;
    }
    std::string bytes;
    char buffer[8192];
    for (;;) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
        if (bytes.size() > kMaxProfileFileSize) break;
    }
    ::close(fd);
    if (bytes.size() > kMaxProfileFileSize) {
        if (why != nullptr) *why = path + " is not a settings file (over 4 MB)";
        return Loaded::Unusable;
    }
    std::size_t start = 0;
    while (start < bytes.size()) {
        auto end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        out.lines.emplace_back(bytes, start, end - start);
        start = end + 1;
    }
    out.crlf = !out.lines.empty() && !out.lines.front().empty() && out.lines.front().back() == '\r';
    return Loaded::Ok;
}

std::optional<std::string_view> SectionName(std::string_view line) {
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    auto close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return TrimBlanks(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> KeyOf(std::string_view line) {
    auto equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    auto key = TrimBlanks(line.substr(0, equals));
    if (key.empty() || key.front() == ';') return std::nullopt;
    return KeyLine{key, TrimBlanks(line.substr(equals + 1))};
}

// [first, last) of the section's lines after its header; nullopt when absent.
struct SectionRange {
    std::size_t header = 0;
    std::size_t end = 0;
};

std::optional<SectionRange> FindSection(const ProfileLines& file, std::string_view section) {
    for (std::size_t i = 0; i < file.lines.size(); ++i) {
        auto name = SectionName(file.lines[i]);
        if (!name || !SameIgnoringCase(*name, section)) continue;
        std::size_t end = i + 1;
        while (end < file.lines.size() && !SectionName(file.lines[end])) ++end;
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const ProfileLines& file, SectionRange range, std::string_view key) {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        auto line = KeyOf(file.lines[i]);
        if (line && SameIgnoringCase(line->key, key)) return i;
    }
    return std::nullopt;
}

bool StorableName(std::string_view name, std::string_view forbidden) {
    if (name.empty() || name.find_first_of(forbidden) != std::string_view::npos) return false;
    return name.front() != '[' && name.front() != ';';
}

void SetKey(ProfileLines& file, std::string_view section, std::string_view key, std::string_view value) {
    std::string ending = file.crlf ? "\r" : "";
    std::string keyLine = std::string(key) + "=" + std::string(value) + ending;
    auto range = FindSection(file, section);
    if (!range) {
        file.lines.push_back("[" + std::string(section) + "]" + ending);
        file.lines.push_back(keyLine);
        return;
    }
    if (auto at = FindKey(file, *range, key)) {
        file.lines[*at] = keyLine;
        return;
    }
    std::size_t insertAt = range->end;  // after the section's last line that is not blank
    while (insertAt > range->header + 1 && TrimBlanks(file.lines[insertAt - 1]).empty()) --insertAt;
    file.lines.insert(file.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), keyLine);
}

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Writes `file` to a temporary file beside `path` and renames it over `path`.
// The temporary file is made with O_EXCL under a random name, so nothing
// planted beside the file can redirect the write.
bool ReplaceAtomically(const std::string& path, const ProfileLines& file, mode_t mode) {
    std::string bytes;
    for (const auto& line : file.lines) bytes += line + "\n";
    auto parts = Split(path);
    std::string temp = parts.directory + "." + parts.base + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return Fail(ErrnoText("cannot create a file beside " + path, errno));
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    int error = errno;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
    if (ok) error = errno;
    ::unlink(temp.c_str());
    return Fail(ErrnoText((ok ? "cannot replace " : "cannot write beside ") + path, error));
}

/// The file a write changes: `path` itself, or the file a symbolic link at
/// `path` finally names, so the link stays a link; `info` describes it, or is
/// left empty when it does not exist yet. Nothing for a loop of links.
std::optional<std::string> WriteTarget(std::string path, std::optional<struct stat>& info) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat found {};
        if (::lstat(path.c_str(), &found) != 0) return path;
        if (!S_ISLNK(found.st_mode)) {
            info = found;
            return path;
        }
        char target[4096];
        ssize_t length = ::readlink(path.c_str(), target, sizeof target);
        if (length <= 0 || static_cast<std::size_t>(length) == sizeof target) return std::nullopt;
        std::string next(target, static_cast<std::size_t>(length));
        path = next.front() == '/' ? next : Split(path).directory + next;
    }
    return std::nullopt;
}

/// A file the user has marked read-only is left alone, even by a user (root)
/// whom the permissions would let write.
bool ReadOnly(const std::string& path, const struct stat& info) {
    return (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

}  // namespace

std::string ResolveProfilePath(std::string_view fileName) {
    std::string path = NormalizeFileName(fileName);
    if (path.empty() || Exists(path)) return path;
    auto parts = Split(path);
    DIR* dir = ::opendir(parts.directory.empty() ? "." : parts.directory.c_str());
    if (dir == nullptr) return path;
    std::optional<std::string> best;  // the first match in name order, so the choice is stable
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (SameIgnoringCase(name, parts.base) && (!best || name < *best)) best = std::string(name);
    }
    ::closedir(dir);
    return best ? parts.directory + *best : path;
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultText,
                                    std::string_view fileName) {
    std::string fallback(TrimRight(defaultText).substr(0, kMaxProfileValue));
    ProfileLines file;
    if (Load(ResolveProfilePath(fileName), file) != Loaded::Ok) return fallback;
    auto range = FindSection(file, TrimRight(section));
    if (!range) return fallback;
    auto at = FindKey(file, *range, TrimRight(key));
    if (!at) return fallback;
    return std::string(KeyOf(file.lines[*at])->value.substr(0, kMaxProfileValue));
}

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               std::string_view fileName) {
    tLastWriteError.clear();
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (!StorableName(section, std::string_view("]\r\n\0", 4)) || !StorableName(key, std::string_view("=\r\n\0", 4)))
        return Fail("a section or key name that cannot be stored");
    value = value.substr(0, std::min(value.size(), value.find_first_of(std::string_view("\r\n\0", 3))));
    value = TrimRight(value);
    std::string named = ResolveProfilePath(fileName);
    if (named.empty() || named.back() == '/') return Fail("no file name");
    std::optional<struct stat> info;
    auto path = WriteTarget(named, info);
    if (!path) return Fail(named + " is a link that leads nowhere (a loop, or a name too long)");
    if (info && ReadOnly(*path, *info)) return Fail(*path + " is read-only");
    ProfileLines file;
    std::string why;
    if (Load(*path, file, &why) == Loaded::Unusable) return Fail(why);
    SetKey(file, section, key, value);
    return ReplaceAtomically(*path, file, info ? (info->st_mode & 07777) : 0644);
}

std::string LastProfileWriteError() { return tLastWriteError; }

}  // namespace platform
