#include "netcore/net_registry.h"

#include <charconv>

#include "netcore/net_critical.h"
#include "netcore/net_log.h"
#include "platform/fixed_text.h"

namespace {

std::string AsText(const platform::RegistryValue& value, int32_t regType) {
    std::string text;
    switch (regType) {
        case NET::REG_DWORD:
            text = std::to_string(static_cast<int32_t>(value.Number()));
            break;
        case NET::REG_BINARY:
            text = value.Bytes();
            break;
        default:
            text = std::string(platform::TrimRight(value.Text()));
            break;
    }
    if (text.size() > NET::MaxRegistryValue) text.resize(NET::MaxRegistryValue);
    return text;
}

platform::RegistryValue FromText(std::string_view text, int32_t regType) {
    if (regType == NET::REG_BINARY) return platform::RegistryValue::Binary(text);
    if (regType == NET::REG_DWORD) {
        // The decimal text of a signed or unsigned 32-bit number; anything else is 0.
        int64_t number = 0;
        std::from_chars(text.data(), text.data() + text.size(), number);
        return platform::RegistryValue::Dword(static_cast<uint32_t>(number));
    }
    return platform::RegistryValue::String(text, regType);
}

}  // namespace

std::string NetGetRegistry(int32_t BaseHKey, std::string_view SubKey, std::string_view Entry, int32_t RegType,
                           uint8_t& Found) {
    NetCriticalHold hold;
    Found = 0;
    auto root = platform::RegistryRootOf(BaseHKey);
    platform::RegistryValue value;
    const int32_t result = root ? platform::ReadRegistryValue(*root, platform::TrimRight(SubKey),
                                                              platform::TrimRight(Entry), RegType, value)
                                : platform::ERROR_INVALID_PARAMETER;
    if (result == platform::ERROR_FILE_NOT_FOUND) return {};
    if (result != platform::ERROR_SUCCESS) {
        WriteToLog("Error returned from RegGetValue = " + std::to_string(result) +
                       " HKEY = " + std::to_string(BaseHKey) + " value = " + std::string(platform::TrimRight(Entry)),
                   "NetGetRegistry", NET::ErrorLine);
        return {};
    }
    Found = 1;
    return AsText(value, RegType);
}

void NetSetRegistry(int32_t QueryHandle, std::string_view SubKeyName, std::string_view Entry, std::string_view Value,
                    int32_t RegType) {
    NetCriticalHold hold;
    auto root = platform::RegistryRootOf(QueryHandle);
    const std::string_view key = platform::TrimRight(SubKeyName);
    const std::string_view entry = platform::TrimRight(Entry);
    const int32_t result = root ? platform::WriteRegistryValue(*root, key, entry, FromText(Value, RegType))
                                : platform::ERROR_INVALID_PARAMETER;
    if (result == platform::ERROR_SUCCESS) return;
    WriteToLog("Error returned from RegSetValueEx.Error = " + std::to_string(result) + " p_HKey = " + std::string(key) +
                   " p_Entry = " + std::string(entry) + " p_Value = " + std::string(Value),
               "NetSetRegistry", NET::ErrorLine);
}
