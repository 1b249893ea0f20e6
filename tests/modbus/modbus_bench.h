// The modbus tests' bench: the window's data at a fixed time of day, a window
// that records its messages, and the shared fake connection.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "fake_connection.h"
#include "frame_bytes.h"
#include "modbus/test_connection.h"
#include "modbus/transmission.h"
#include "platform/clock.h"
#include "test_time.h"

namespace modbus_test {

class FakeWindow : public TestWindowServices {
public:
    int32_t TimerPeriod() const override { return period; }
    void SetTimerPeriod(int32_t hundredths) override { period = hundredths; }
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    void Refresh() override { ++refreshes; }

    int32_t period = 8;
    std::vector<std::string> messages;
    int refreshes = 0;
};

using testsupport::FakeConnection;

/// The window's data, its clock at a fixed time of day, and a connection.
struct Bench {
    static constexpr int32_t At(int h, int m, int s, int cc) { return testsupport::At(h, m, s, cc); }

    Bench() {
        data.Server = "127.0.0.1";
        data.Port = 502;
    }
    /// Opens the connection through a first tick and the engine's open report.
    void Connect() {
        if (connection.OpenFlag == 0 && connection.AsyncOpenBusy == 0) OpenIfClosed(data, connection);
        connection.Connected();
    }
    void Tick() { TransmissionPass(data, connection); }

    std::vector<std::string> RawLines() const {
        std::vector<std::string> lines;
        for (const ReturnRow& row : data.QReturn) lines.push_back(row.ReturnString.Str());
        return lines;
    }
    const CommsRow& Row(uint16_t id) const {
        for (const CommsRow& row : data.QComms)
            if (row.OutModbusTcpFrame.TransactionIdentifier() == id) return row;
        throw std::runtime_error("no row " + std::to_string(id));
    }

    platform::ManualClock clock{At(14, 5, 0, 0)};
    platform::ScopedClock scopedClock{clock};
    TestData data;
    FakeWindow window;
    FakeConnection connection{data, window};
};

}  // namespace modbus_test
