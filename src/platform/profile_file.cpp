#include "platform/profile_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <vector>

#include "platform/fixed_text.h"

namespace platform {
namespace {

constexpr std::string_view kBlanks = " \t\r";

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

Loaded Load(const std::string& path, ProfileLines& out) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? Loaded::Missing : Loaded::Unusable;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > kMaxProfileFileSize) {
        ::close(fd);
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
    if (bytes.size() > kMaxProfileFileSize) return Loaded::Unusable;
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
bool ReplaceAtomically(const std::string& path, const ProfileLines& file) {
    std::string bytes;
    for (const auto& line : file.lines) bytes += line + "\n";
    auto parts = Split(path);
    std::string temp = parts.directory + "." + parts.base + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    struct stat old {};
    mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return true;
    ::unlink(temp.c_str());
    return false;
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
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    if (!StorableName(section, std::string_view("]\r\n\0", 4)) || !StorableName(key, std::string_view("=\r\n\0", 4)))
        return false;
    value = value.substr(0, std::min(value.size(), value.find_first_of(std::string_view("\r\n\0", 3))));
    value = TrimRight(value);
    std::string path = ResolveProfilePath(fileName);
    if (path.empty() || path.back() == '/') return false;
    ProfileLines file;
    if (Load(path, file) == Loaded::Unusable) return false;
    SetKey(file, section, key, value);
    return ReplaceAtomically(path, file);
}

}  // namespace platform
