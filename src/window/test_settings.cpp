#include "window/test_settings.h"

#include <limits>
#include <optional>
#include <string>

#include "netcore/net_log.h"
#include "platform/profile_file.h"

namespace window {
namespace {

// A whole number: optional blanks and sign, then at most 18 digits and nothing else.
std::optional<int64_t> WholeNumber(std::string_view text) {
    auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    bool negative = text.front() == '-';
    if (negative || text.front() == '+') text.remove_prefix(1);
    if (text.empty() || text.size() > 18) return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

int64_t ReadNumber(std::string_view key, int64_t fallback, int64_t low, int64_t high, std::string_view file) {
    std::string text = platform::GetPrivateProfileString(kSettingsSection, key, std::to_string(fallback), file);
    auto value = WholeNumber(text);
    return (value && *value >= low && *value <= high) ? *value : fallback;
}

/// Writes one key; the first failure of a save is kept in `failure`.
void WriteKey(std::string_view key, std::string_view value, std::string_view file, std::string& failure) {
    if (!platform::WritePrivateProfileString(kSettingsSection, key, value, file) && failure.empty())
        failure = platform::LastProfileWriteError();
}

}  // namespace

void ReadTestSettings(TestData& data, std::string_view file) {
    data.TimerValue = static_cast<int32_t>(ReadNumber("TimerValue", kDefaultTimerValue, 0, 100, file));
    data.Server.SetText(platform::GetPrivateProfileString(kSettingsSection, "Server", kDefaultServer, file));
    data.Port = static_cast<uint16_t>(ReadNumber("Port", kDefaultPort, 0, 65535, file));
    data.AfterSendPauseValue =
        static_cast<int32_t>(ReadNumber("AfterSendPauseValue", kDefaultAfterSendPauseValue, 0, 9999, file));
    data.SendAllTimerValue =
        static_cast<int32_t>(ReadNumber("SendAllTimerValue", kDefaultSendAllTimerValue, 0, 100, file));
}

void WriteTestSettings(const TestData& data, std::string_view file) {
    WriteTestSettings(data, ServerAndPort{std::string(data.Server.View()), data.Port}, file);
}

void WriteTestSettings(const TestData& data, const ServerAndPort& stored, std::string_view file) {
    std::string failure;
    WriteKey("TimerValue", std::to_string(data.TimerValue), file, failure);
    WriteKey("Server", stored.server, file, failure);
    WriteKey("Port", std::to_string(stored.port), file, failure);
    WriteKey("AfterSendPauseValue", std::to_string(data.AfterSendPauseValue), file, failure);
    WriteKey("SendAllTimerValue", std::to_string(data.SendAllTimerValue), file, failure);
    // The window goes on closing; the trace is where a developer learns why
    // the next run starts from the old values.
    if (!failure.empty()) NetDebugTrace("Settings not saved to " + std::string(file) + ": " + failure);
}

}  // namespace window
