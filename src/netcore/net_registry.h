// Registry values of the network library: one value read or written under
// the library lock, over the platform's registry store.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace NET {
/// Predefined root keys, with their Windows values.
inline constexpr int32_t HKEY_CURRENT_USER = platform::HKEY_CURRENT_USER;
inline constexpr int32_t HKEY_LOCAL_MACHINE = platform::HKEY_LOCAL_MACHINE;
/// Value types.
inline constexpr int32_t REG_SZ = platform::REG_SZ;          // a string
inline constexpr int32_t REG_BINARY = platform::REG_BINARY;  // bytes, returned byte for byte
inline constexpr int32_t REG_DWORD = platform::REG_DWORD;    // a 32-bit number, returned as its decimal text
/// The longest value NetGetRegistry returns.
inline constexpr std::size_t MaxRegistryValue = 4096;
}  // namespace NET

/// Reads one value. `Found` is 1 when it was read, 0 otherwise; a key or value
/// that does not exist gives "" and 0. Strings come back without trailing
/// blanks. Any thread may call; takes the library lock.
std::string NetGetRegistry(int32_t BaseHKey, std::string_view SubKey, std::string_view Entry, int32_t RegType,
                           uint8_t& Found);

/// Writes one value, creating the key if needed. For REG_DWORD `Value` is the
/// number's decimal text. Any thread may call; takes the library lock.
void NetSetRegistry(int32_t QueryHandle, std::string_view SubKeyName, std::string_view Entry, std::string_view Value,
                    int32_t RegType);
