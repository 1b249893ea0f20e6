// The test window's connection without a network: it records what it is asked
// to do and hands packets to Process as the socket engine would. Tests either
// run Process at once (Connected, Receive, Event) or store a packet and post
// the connection's event to the window thread (Deliver), which TakeEvent takes.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "hex_bytes.h"
#include "modbus/test_connection.h"
#include "platform/threads.h"

namespace testsupport {

struct OpenCall {
    std::string server;
    uint16_t port = 0;
    int32_t asyncOpenUse = 0;
    int32_t asyncOpenTimeOut = 0;
    int32_t inActiveTimeout = 0;
};

class FakeConnection : public MyC {
public:
    /// The event number Deliver posts and TakeEvent answers.
    static constexpr int kEvent = 2053;
    using MyC::MyC;

    void Init(uint32_t mode) override {
        calls.push_back("Init " + std::to_string(mode) + " suppress " + std::to_string(SuppressErrorMsg));
    }
    void Open(std::string_view server, uint16_t port) override {
        calls.push_back("Open");
        opens.push_back({std::string(server), port, AsyncOpenUse, AsyncOpenTimeOut, InActiveTimeout});
        AsyncOpenBusy = 1;
    }
    void Send() override {
        std::string_view bytes = Packet.Data();
        sent.emplace_back(bytes.begin(), bytes.end());
    }
    void Close() override {
        calls.push_back("Close");
        OpenFlag = 0;
    }
    void Abort() override {
        calls.push_back("Abort");
        ++aborts;
        OpenFlag = 0;
        AsyncOpenBusy = 0;
    }
    void Kill() override { calls.push_back("Kill"); }
    void TakeEvent(int32_t event) override {
        events.push_back(event);
        if (event != kEvent || incoming.empty()) return;
        Packet = incoming.front();
        incoming.pop_front();
        if (Packet.PacketType == NET::SimpleAsyncOpenSuccessful) {
            OpenFlag = 1;
            AsyncOpenBusy = 0;
        }
        if (Packet.PacketType == NET::SimpleAsyncOpenFailed) AsyncOpenBusy = 0;
        Process();
    }

    /// Stores a packet with the next serial number and posts the connection's
    /// event, as the engine does.
    void Deliver(int32_t packetType, const std::vector<uint8_t>& bytes = {}, int32_t winSockError = 0) {
        NET::SimplePacketType packet;
        packet.PacketType = packetType;
        packet.SockID = 1;
        packet.WinSockError = winSockError;
        packet.DebugPacketNumber_ = ++stored;
        SetData(packet, bytes);
        incoming.push_back(packet);
        platform::PostEvent(kEvent);
    }
    /// The asynchronous open has connected: the engine's type-7 packet, processed at once.
    void Connected() {
        OpenFlag = 1;
        AsyncOpenBusy = 0;
        Event(NET::SimpleAsyncOpenSuccessful);
    }
    /// A data event carrying `bytes` on connection `sockID`, processed at once.
    void Receive(const std::vector<uint8_t>& bytes, int32_t sockID = 1) {
        Packet.PacketType = NET::SimplePartialDataPacket;
        Packet.SockID = sockID;
        SetData(Packet, bytes);
        Process();
    }
    void Receive(std::string_view hex, int32_t sockID = 1) { Receive(Hex(hex), sockID); }
    /// An event without data of `packetType`, processed at once.
    void Event(int32_t packetType) {
        Packet.PacketType = packetType;
        Packet.BinDataLen = 0;
        Process();
    }

    /// Every frame sent so far as "00 01 ..." text.
    std::vector<std::string> SentHex() const {
        std::vector<std::string> texts;
        for (const auto& frame : sent) texts.push_back(HexText(frame));
        return texts;
    }

    std::vector<std::string> calls;  ///< Init, Open, Close, Abort and Kill, in order
    std::vector<OpenCall> opens;
    std::vector<std::vector<uint8_t>> sent;
    int aborts = 0;
    std::vector<int32_t> events;
    int32_t stored = 0;
    std::deque<NET::SimplePacketType> incoming;

private:
    static void SetData(NET::SimplePacketType& packet, const std::vector<uint8_t>& bytes) {
        packet.BinData.Set(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        packet.BinDataLen = static_cast<int32_t>(bytes.size());
    }
};

}  // namespace testsupport
