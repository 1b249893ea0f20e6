#include "platform/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <functional>
#include <mutex>

#include "platform/registry_file.h"

namespace platform {
namespace {

using detail::RegistryTree;

constexpr std::size_t kMaxFileBytes = 16u << 20;  // anything larger is not ours
constexpr std::array<const char*, 3> kFileNames = {"classes_root.reg", "current_user.reg", "local_machine.reg"};

std::mutex gMutex;  // one change at a time in this process; the lock file covers other processes
std::array<std::atomic<int>, 3> gProtected{};

std::size_t Index(RegistryRoot root) { return static_cast<std::size_t>(root); }

std::filesystem::path HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) return entry->pw_dir;
    return {};
}

/// The whole file, or nothing when it is missing, unreadable or too large.
std::string ReadFile(const std::filesystem::path& path) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string text;
    char buffer[8192];
    for (;;) {
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || text.size() + static_cast<std::size_t>(got) > kMaxFileBytes) {
            if (got != 0) text.clear();
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    close(fd);
    return text;
}

RegistryTree Load(RegistryRoot root) { return detail::ParseRegistry(ReadFile(RegistryFile(root))); }

int32_t CodeForErrno(int error) {
    return error == EACCES || error == EPERM || error == EROFS ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE;
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t put = write(fd, text.data(), text.size());
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(put));
    }
    return true;
}

/// Replaces the file of `root` with `tree`: a temporary file beside it, then a
/// rename. The temporary file is made with O_EXCL under a random name (mode
/// 0600), so a link planted in the directory cannot redirect the write.
int32_t Store(RegistryRoot root, const RegistryTree& tree) {
    auto target = RegistryFile(root);
    std::string temporary = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) return CodeForErrno(errno);
    bool written = WriteAll(fd, detail::FormatRegistry(tree)) && fsync(fd) == 0;
    int error = errno;
    close(fd);
    if (!written || rename(temporary.c_str(), target.c_str()) != 0) {
        if (written) error = errno;
        unlink(temporary.c_str());
        return CodeForErrno(error);
    }
    return ERROR_SUCCESS;
}

/// Runs `change` on the current tree of `root` and stores the result, all
/// under the process lock and the directory's lock file.
int32_t Change(RegistryRoot root, const std::function<int32_t(RegistryTree&)>& change) {
    if (gProtected[Index(root)] > 0) return ERROR_ACCESS_DENIED;
    std::lock_guard lock(gMutex);
    auto directory = RegistryDirectory();
    if (directory.empty()) return ERROR_CANTWRITE;
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    int lockFd = open((directory / ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd < 0) return CodeForErrno(errno);
    while (flock(lockFd, LOCK_EX) != 0 && errno == EINTR) {
    }
    RegistryTree tree = Load(root);
    int32_t result = change(tree);
    if (result == ERROR_SUCCESS) result = Store(root, tree);
    close(lockFd);  // releases the lock
    return result;
}

const detail::RegistryKeyData* FindKey(const RegistryTree& tree, std::string_view key) {
    auto it = tree.find(detail::FoldName(key));
    return it == tree.end() ? nullptr : &it->second;
}

/// The direct sub-keys of `key` ("" = the root itself).
std::vector<std::string> ChildNames(const RegistryTree& tree, std::string_view key) {
    std::string prefix = detail::FoldName(key);
    if (!prefix.empty()) prefix += '\\';
    std::vector<std::string> names;
    for (auto it = tree.lower_bound(prefix); it != tree.end() && it->first.starts_with(prefix); ++it) {
        std::string_view rest = std::string_view(it->second.path).substr(prefix.size());
        if (!rest.empty() && rest.find('\\') == std::string_view::npos) names.emplace_back(rest);
    }
    return names;
}

}  // namespace

std::optional<RegistryRoot> RegistryRootOf(int32_t hkey) {
    switch (hkey) {
        case HKEY_CLASSES_ROOT:
            return RegistryRoot::ClassesRoot;
        case HKEY_CURRENT_USER:
            return RegistryRoot::CurrentUser;
        case HKEY_LOCAL_MACHINE:
            return RegistryRoot::LocalMachine;
        default:
            return std::nullopt;
    }
}

RegistryValue RegistryValue::String(std::string_view text, int32_t type) {
    RegistryValue value{type, {text.begin(), text.end()}};
    value.data.push_back(0);
    return value;
}

RegistryValue RegistryValue::Binary(std::string_view bytes) { return {REG_BINARY, {bytes.begin(), bytes.end()}}; }

RegistryValue RegistryValue::Dword(uint32_t number) {
    return {REG_DWORD,
            {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8), static_cast<uint8_t>(number >> 16),
             static_cast<uint8_t>(number >> 24)}};
}

std::string RegistryValue::Text() const {
    std::string text = Bytes();
    return text.substr(0, text.find('\0'));
}

std::string RegistryValue::Bytes() const { return {data.begin(), data.end()}; }

uint32_t RegistryValue::Number() const {
    uint32_t number = 0;
    for (std::size_t i = 0; i < 4 && i < data.size(); ++i) number |= static_cast<uint32_t>(data[i]) << (8 * i);
    return number;
}

int32_t ReadRegistryValue(RegistryRoot root, std::string_view key, std::string_view name, RegistryValue& value) {
    RegistryTree tree = Load(root);
    const auto* found = FindKey(tree, key);
    if (found == nullptr) return ERROR_FILE_NOT_FOUND;
    auto it = found->values.find(detail::FoldName(name));
    if (it == found->values.end()) return ERROR_FILE_NOT_FOUND;
    value = it->second.value;
    return ERROR_SUCCESS;
}

int32_t ReadRegistryValue(RegistryRoot root, std::string_view key, std::string_view name, int32_t type,
                          RegistryValue& value) {
    RegistryValue found;
    int32_t result = ReadRegistryValue(root, key, name, found);
    if (result != ERROR_SUCCESS) return result;
    if (found.type != type) return ERROR_UNSUPPORTED_TYPE;
    value = std::move(found);
    return ERROR_SUCCESS;
}

int32_t WriteRegistryValue(RegistryRoot root, std::string_view key, std::string_view name, const RegistryValue& value) {
    if (detail::CleanPath(key).empty() || value.data.size() > kMaxRegistryValueBytes) return ERROR_INVALID_PARAMETER;
    return Change(root, [&](RegistryTree& tree) {
        auto& values = detail::EnsureKey(tree, key).values;
        auto [it, added] = values.try_emplace(detail::FoldName(name), detail::NamedValue{std::string(name), value});
        if (!added) it->second.value = value;  // the name keeps its first spelling
        return ERROR_SUCCESS;
    });
}

int32_t CreateRegistryKey(RegistryRoot root, std::string_view key) {
    if (detail::CleanPath(key).empty()) return ERROR_INVALID_PARAMETER;
    return Change(root, [&](RegistryTree& tree) {
        detail::EnsureKey(tree, key);
        return ERROR_SUCCESS;
    });
}

bool RegistryKeyExists(RegistryRoot root, std::string_view key) {
    RegistryTree tree = Load(root);
    return FindKey(tree, key) != nullptr;
}

int32_t DeleteRegistryValue(RegistryRoot root, std::string_view key, std::string_view name) {
    return Change(root, [&](RegistryTree& tree) {
        auto it = tree.find(detail::FoldName(key));
        if (it == tree.end() || it->second.values.erase(detail::FoldName(name)) == 0) return ERROR_FILE_NOT_FOUND;
        return ERROR_SUCCESS;
    });
}

int32_t DeleteRegistryKey(RegistryRoot root, std::string_view key) {
    std::string folded = detail::FoldName(key);
    if (folded.empty()) return ERROR_ACCESS_DENIED;  // a root key cannot go
    return Change(root, [&](RegistryTree& tree) {
        if (tree.erase(folded) == 0) return ERROR_FILE_NOT_FOUND;
        std::string below = folded + '\\';
        for (auto it = tree.lower_bound(below); it != tree.end() && it->first.starts_with(below);) it = tree.erase(it);
        return ERROR_SUCCESS;
    });
}

int32_t ListRegistrySubkeys(RegistryRoot root, std::string_view key, std::vector<std::string>& names) {
    RegistryTree tree = Load(root);
    if (!detail::FoldName(key).empty() && FindKey(tree, key) == nullptr) return ERROR_FILE_NOT_FOUND;
    names = ChildNames(tree, key);
    return ERROR_SUCCESS;
}

int32_t ListRegistryValues(RegistryRoot root, std::string_view key, std::vector<std::string>& names) {
    RegistryTree tree = Load(root);
    const auto* found = FindKey(tree, key);
    if (found == nullptr) return ERROR_FILE_NOT_FOUND;
    names.clear();
    for (const auto& [folded, named] : found->values) names.push_back(named.name);
    return ERROR_SUCCESS;
}

std::filesystem::path RegistryDirectory() {
    if (const char* dir = std::getenv("BRACKWATER_REGISTRY_DIR"); dir != nullptr && *dir != '\0') return dir;
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/')
        config = xdg;
    else if (auto home = HomeDirectory(); !home.empty())
        config = home / ".config";
    return config.empty() ? config : config / "brackwater" / "registry";
}

std::filesystem::path RegistryFile(RegistryRoot root) {
    auto directory = RegistryDirectory();
    return directory.empty() ? directory : directory / kFileNames[Index(root)];
}

ScopedRegistryWriteProtection::ScopedRegistryWriteProtection(RegistryRoot root) : root_(root) {
    ++gProtected[Index(root_)];
}

ScopedRegistryWriteProtection::~ScopedRegistryWriteProtection() { --gProtected[Index(root_)]; }

}  // namespace platform
