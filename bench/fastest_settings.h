// The settings file every window benchmark starts from: the window's fastest
// settings (timer period 5, no pause after a send, no send-all timer) against a
// server on 127.0.0.1.
#pragma once

#include <cstdint>
#include <string>

#include "modbus/test_data.h"
#include "window/test_settings.h"

namespace bench {

/// The five send-all boxes, all ticked at the fastest settings.
inline constexpr const char* kSendAllBoxes[] = {"RequestInputs", "SendOutputs", "SendControlRelays",
                                                "RequestAllCounters", "SendAllCounters"};

inline void WriteFastestSettings(uint16_t port, const std::string& settingsFile) {
    TestData settings;
    settings.TimerValue = 5;
    settings.Server = "127.0.0.1";
    settings.Port = port;
    settings.AfterSendPauseValue = 0;
    settings.SendAllTimerValue = 0;
    window::WriteTestSettings(settings, settingsFile);
}

}  // namespace bench
