// Fuzzes the settings-file reader and writer with arbitrary file contents.
//
// Input: the file's contents (a string ended by "\" and another character, or
// the whole input), then from the input's end: which line's key to work on,
// whether to use a fresh name instead, the value to write, and whether to
// name the file in other letter case. A plain settings file is thus a useful
// input by itself: its first key is read and then written empty.
//
// Checks: reading returns at most kMaxProfileValue characters and leaves the
// file alone; a successful write keeps every other line byte for byte (it
// replaces one line, or adds the key line, or adds the section header and the
// key line at the end) and reads back as the value written; a failed write
// leaves the file alone. A broken check stops with __builtin_trap.
#include <fcntl.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_file.h"

namespace {

void Require(bool holds) {
    if (!holds) __builtin_trap();
}

constexpr std::string_view kFileName = "/fuzz.ini";

/// A directory of its own for the run, in memory when the machine has /dev/shm;
/// removed with its file when the run ends.
const std::string& Directory() {
    static const std::string directory = [] {
        std::string pattern =
            (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + std::string("/profile_fuzz.XXXXXX");
        if (::mkdtemp(pattern.data()) == nullptr) __builtin_trap();
        return pattern;
    }();
    return directory;
}

void RemoveDirectory() {
    ::unlink((Directory() + std::string(kFileName)).c_str());
    ::rmdir(Directory().c_str());
}

// Plain system calls: the streams cost more than the code under test.
void WriteFile(const std::string& path, const std::string& bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    Require(fd >= 0);
    Require(bytes.empty() || ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

/// The file's bytes into `out` (reused from input to input, so no allocation).
/// The buffer holds any file an input makes, so one read takes it all: a short
/// read of a plain file is its end.
void ReadFile(const std::string& path, std::string& out) {
    static std::array<char, 1 << 18> buffer;
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    Require(fd >= 0);
    for (ssize_t got; (got = ::read(fd, buffer.data(), buffer.size())) > 0;) {
        out.append(buffer.data(), static_cast<std::size_t>(got));
        if (static_cast<std::size_t>(got) < buffer.size()) break;
    }
    ::close(fd);
}

/// What tells whether anything touched the file: one lstat instead of reading
/// it back. Any write, even of the same bytes, moves the change time, and a
/// replacement has another inode.
struct Snapshot {
    struct stat info {};

    static Snapshot Of(const std::string& path) {
        Snapshot snapshot;
        Require(::lstat(path.c_str(), &snapshot.info) == 0);
        return snapshot;
    }
    bool operator==(const Snapshot& other) const {
        const struct stat &a = info, &b = other.info;
        return a.st_ino == b.st_ino && a.st_mode == b.st_mode && a.st_size == b.st_size &&
               a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
               a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
    }
};

/// The file's lines as the reader sees them: split at '\n', a '\r' kept.
std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        auto end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string_view Trim(std::string_view text) {
    auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

/// Section and key of line `index` when it looks like "key=value": the key
/// before the '=', the section from the nearest "[name]" line above it.
struct Names {
    std::string section;
    std::string key;
};

std::optional<Names> NamesAt(const std::vector<std::string>& lines, std::size_t index) {
    if (index >= lines.size()) return std::nullopt;
    auto equals = lines[index].find('=');
    if (equals == std::string::npos) return std::nullopt;
    Names names{"", std::string(Trim(std::string_view(lines[index]).substr(0, equals)))};
    for (std::size_t i = index; i-- > 0;) {
        std::string_view line = Trim(lines[i]);
        auto close = line.find(']');
        if (!line.empty() && line.front() == '[' && close != std::string_view::npos) {
            names.section = std::string(Trim(line.substr(1, close - 1)));
            break;
        }
    }
    return names;
}

/// A successful write changed one stretch of lines: at most one old line gave
/// way to at most two new ones, everything before and after kept as it was.
bool OtherLinesKept(const std::vector<std::string>& before, const std::vector<std::string>& after) {
    std::size_t prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
    std::size_t suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    std::size_t removed = before.size() - prefix - suffix;
    std::size_t added = after.size() - prefix - suffix;
    return removed <= 1 && added <= 2 && added >= removed;
}

/// What a read of a written value gives: cut at a line break, surrounding
/// blanks gone, at most kMaxProfileValue characters.
std::string Expected(std::string_view value) {
    value = value.substr(0, std::min(value.size(), value.find_first_of(std::string_view("\r\n\0", 3))));
    return std::string(Trim(value).substr(0, platform::kMaxProfileValue));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    // After the directory exists, so that its name outlives the clean-up at exit.
    static const bool cleanupRegistered = (Directory(), std::atexit(RemoveDirectory) == 0);
    (void)cleanupRegistered;
    FuzzedDataProvider input(bytes, size);
    const std::string path = Directory() + std::string(kFileName);
    std::string contents = input.ConsumeRandomLengthString(1 << 16);
    auto lineIndex = input.ConsumeIntegral<uint16_t>();
    bool freshNames = input.ConsumeBool();
    bool otherCase = input.ConsumeBool();
    std::string section = input.ConsumeRandomLengthString(64);
    std::string key = input.ConsumeRandomLengthString(64);
    std::string value = input.ConsumeRandomLengthString(2048);
    const std::string name = Directory() + (otherCase ? "/FUZZ.Ini" : "/fuzz.ini");

    WriteFile(path, contents);
    const Snapshot written = Snapshot::Of(path);
    std::vector<std::string> before = Lines(contents);
    if (!freshNames) {
        if (auto names = NamesAt(before, lineIndex % (before.size() + 1))) {
            section = names->section;
            key = names->key;
        }
    }

    std::string read = platform::GetPrivateProfileString(section, key, "<none>", name);
    Require(read.size() <= platform::kMaxProfileValue);
    Require(Snapshot::Of(path) == written);

    if (!platform::WritePrivateProfileString(section, key, value, name)) {
        Require(Snapshot::Of(path) == written);
        return 0;
    }
    static std::string now;
    ReadFile(path, now);
    Require(OtherLinesKept(before, Lines(now)));
    // The writer stores the names without surrounding blanks; read them so.
    std::string stored = platform::GetPrivateProfileString(Trim(section), Trim(key), "<none>", name);
    Require(stored == Expected(value));
    return 0;
}
