// The registry stand-in: a small file-backed store of keys and typed values.
//
// Each root key (classes, current user, local machine) is one file in the
// registry directory: $BRACKWATER_REGISTRY_DIR when set (tests point it at a
// temporary directory), else $XDG_CONFIG_HOME/brackwater/registry, else
// ~/.config/brackwater/registry. Key paths are separated by backslashes; key
// paths and value names compare without regard to case. The empty value name
// is the key's default value. Every change rewrites its root's file
// atomically (temporary file, then rename) under a lock shared by every
// process, so a reader sees the old file or the new one, never half of one.
// A file that is damaged or cut short reads as an empty root. Results are
// Windows error codes (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ...). Any thread
// may call any of these.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine };

// The predefined root keys as the library passes them (LONG).
constexpr int32_t HKEY_CLASSES_ROOT = static_cast<int32_t>(0x80000000u);
constexpr int32_t HKEY_CURRENT_USER = static_cast<int32_t>(0x80000001u);
constexpr int32_t HKEY_LOCAL_MACHINE = static_cast<int32_t>(0x80000002u);

/// The root a predefined key stands for; nothing for any other number.
std::optional<RegistryRoot> RegistryRootOf(int32_t hkey);

// Value types.
constexpr int32_t REG_NONE = 0;
constexpr int32_t REG_SZ = 1;
constexpr int32_t REG_EXPAND_SZ = 2;
constexpr int32_t REG_BINARY = 3;
constexpr int32_t REG_DWORD = 4;

// Results.
constexpr int32_t ERROR_SUCCESS = 0;
constexpr int32_t ERROR_FILE_NOT_FOUND = 2;
constexpr int32_t ERROR_ACCESS_DENIED = 5;
constexpr int32_t ERROR_INVALID_PARAMETER = 87;
constexpr int32_t ERROR_CANTWRITE = 1013;
constexpr int32_t ERROR_UNSUPPORTED_TYPE = 1630;

/// Largest value a write accepts, in bytes.
constexpr std::size_t kMaxRegistryValueBytes = 1 << 20;

struct RegistryValue {
    int32_t type = REG_NONE;
    std::vector<uint8_t> data;

    /// A string value: the text and a terminating zero byte.
    static RegistryValue String(std::string_view text, int32_t type = REG_SZ);
    /// A binary value: the bytes as given.
    static RegistryValue Binary(std::string_view bytes);
    /// A 32-bit number, little-endian.
    static RegistryValue Dword(uint32_t number);

    /// The data up to its first zero byte (string values without their terminator).
    std::string Text() const;
    /// The data byte for byte.
    std::string Bytes() const;
    /// The first four bytes as a little-endian number (missing bytes count as 0).
    uint32_t Number() const;

    bool operator==(const RegistryValue&) const = default;
};

/// Reads one value. ERROR_FILE_NOT_FOUND when the key or the value is missing.
int32_t ReadRegistryValue(RegistryRoot root, std::string_view key, std::string_view name, RegistryValue& value);
/// As above, but a value of another type gives ERROR_UNSUPPORTED_TYPE (as
/// RegGetValue restricted to one type does).
int32_t ReadRegistryValue(RegistryRoot root, std::string_view key, std::string_view name, int32_t type,
                          RegistryValue& value);

/// Writes one value, creating the key and the keys above it when needed.
int32_t WriteRegistryValue(RegistryRoot root, std::string_view key, std::string_view name, const RegistryValue& value);

/// Creates a key (and the keys above it); an existing key is left as it is.
int32_t CreateRegistryKey(RegistryRoot root, std::string_view key);
bool RegistryKeyExists(RegistryRoot root, std::string_view key);
int32_t DeleteRegistryValue(RegistryRoot root, std::string_view key, std::string_view name);
/// Deletes a key with everything below it.
int32_t DeleteRegistryKey(RegistryRoot root, std::string_view key);

/// The names of a key's direct sub-keys (as first written), in order of their folded names.
int32_t ListRegistrySubkeys(RegistryRoot root, std::string_view key, std::vector<std::string>& names);
/// The names of a key's values, in the same order.
int32_t ListRegistryValues(RegistryRoot root, std::string_view key, std::vector<std::string>& names);

/// The directory in force (read from the environment at every call).
std::filesystem::path RegistryDirectory();
/// The file that holds `root`.
std::filesystem::path RegistryFile(RegistryRoot root);

/// While one lives, writes under `root` fail with ERROR_ACCESS_DENIED, as they
/// do for a user without rights to a machine-wide key. Tests.
class ScopedRegistryWriteProtection {
public:
    explicit ScopedRegistryWriteProtection(RegistryRoot root);
    ~ScopedRegistryWriteProtection();
    ScopedRegistryWriteProtection(const ScopedRegistryWriteProtection&) = delete;
    ScopedRegistryWriteProtection& operator=(const ScopedRegistryWriteProtection&) = delete;

private:
    RegistryRoot root_;
};

/// A fresh, empty registry directory for a test: made under the system's
/// temporary directory and put in force through BRACKWATER_REGISTRY_DIR; the
/// previous setting comes back and the directory goes when it is destroyed.
/// Create and destroy it while no other thread uses the registry.
class TemporaryRegistry {
public:
    TemporaryRegistry();
    ~TemporaryRegistry();
    TemporaryRegistry(const TemporaryRegistry&) = delete;
    TemporaryRegistry& operator=(const TemporaryRegistry&) = delete;
    const std::filesystem::path& Directory() const { return directory_; }

private:
    std::filesystem::path directory_;
    std::optional<std::string> previous_;
};

}  // namespace platform
