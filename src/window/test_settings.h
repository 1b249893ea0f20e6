// The five settings of the test window in the settings file, section "Test":
// read when the window opens, written when it closes.
//
// A stored value that is not a whole number, or lies outside what the window
// itself admits, is taken as the key's default, so a damaged file can neither
// stop the window nor make it hang: the timer values 0 .. 100 hundredths, the
// pause 0 .. 9999 milliseconds, the port 0 .. 65535. The server text is cut
// to its 256 characters.
#pragma once

#include <string>
#include <string_view>

#include "modbus/test_data.h"

namespace window {

/// The settings file: Brackwater.ini in the working directory.
inline constexpr std::string_view kSettingsFile = ".\\Brackwater.ini";
inline constexpr std::string_view kSettingsSection = "Test";

inline constexpr int32_t kDefaultTimerValue = 20;
inline constexpr std::string_view kDefaultServer = "IP Address / Name";
inline constexpr uint16_t kDefaultPort = 502;
inline constexpr int32_t kDefaultAfterSendPauseValue = 20;
inline constexpr int32_t kDefaultSendAllTimerValue = 50;

/// A server and port the window connects to, as stored or as given for one run.
struct ServerAndPort {
    std::string server;
    uint16_t port = 0;
};

/// Reads TimerValue, Server, Port, AfterSendPauseValue and SendAllTimerValue, in that order.
void ReadTestSettings(TestData& data, std::string_view file = kSettingsFile);
/// Writes the same keys in the same order. A failed write is not shown to the
/// user; one trace line names the file and the reason.
void WriteTestSettings(const TestData& data, std::string_view file = kSettingsFile);
/// The same, but with `stored` in place of the window's Server and Port, so a
/// run that connects elsewhere leaves the user's own server in the file.
void WriteTestSettings(const TestData& data, const ServerAndPort& stored, std::string_view file = kSettingsFile);

}  // namespace window
