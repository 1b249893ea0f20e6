// A connection that records what it was asked to send and lets a test hand
// packets to Process, as the socket engine would through TakeEvent.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

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

struct OpenCall {
    std::string server;
    uint16_t port = 0;
    int32_t asyncOpenUse = 0;
    int32_t asyncOpenTimeOut = 0;
    int32_t inActiveTimeout = 0;
};

class FakeConnection : public MyC {
public:
    using MyC::MyC;

    void Open(std::string_view server, uint16_t port) override {
        opens.push_back({std::string(server), port, AsyncOpenUse, AsyncOpenTimeOut, InActiveTimeout});
        AsyncOpenBusy = 1;
    }
    void Send() override {
        std::string_view bytes = Packet.Data();
        sent.emplace_back(bytes.begin(), bytes.end());
    }
    void Abort() override {
        ++aborts;
        OpenFlag = 0;
        AsyncOpenBusy = 0;
    }

    /// The asynchronous open has connected: the engine's type-7 packet.
    void Connected() {
        OpenFlag = 1;
        AsyncOpenBusy = 0;
        Event(NET::SimpleAsyncOpenSuccessful);
    }
    /// A data event carrying `bytes` on connection `sockID`.
    void Receive(const std::vector<uint8_t>& bytes, int32_t sockID = 1) {
        Packet.PacketType = NET::SimplePartialDataPacket;
        Packet.SockID = sockID;
        Packet.BinData.Set(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        Packet.BinDataLen = static_cast<int32_t>(bytes.size());
        Process();
    }
    void Receive(std::string_view hex, int32_t sockID = 1) { Receive(Hex(hex), sockID); }
    void Event(int32_t packetType) {
        Packet.PacketType = packetType;
        Packet.BinDataLen = 0;
        Process();
    }

    std::vector<OpenCall> opens;
    std::vector<std::vector<uint8_t>> sent;
    int aborts = 0;
};

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
