// Runs the test window on the headless host against a connection that records
// what it is asked to do and delivers packets as the socket engine would: a
// stored packet plus the connection's event number posted to the window thread.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "modbus/test_connection.h"
#include "platform/clock.h"
#include "platform/threads.h"
#include "test_time.h"
#include "window/headless_host.h"
#include "window/test_window.h"

namespace window_test {

/// "00 01 0A" -> bytes.
inline std::vector<uint8_t> Hex(std::string_view text) {
    std::vector<uint8_t> bytes;
    std::istringstream in{std::string(text)};
    std::string pair;
    while (in >> pair) bytes.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
    return bytes;
}

/// Bytes -> "00 01 0A".
inline std::string HexText(const std::vector<uint8_t>& bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes) {
        if (!text.empty()) text += ' ';
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

struct OpenCall {
    std::string server;
    uint16_t port = 0;
    int32_t asyncOpenUse = 0;
    int32_t asyncOpenTimeOut = 0;
    int32_t inActiveTimeout = 0;
};

class FakeConnection : public MyC {
public:
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
        sent.push_back(HexText({bytes.begin(), bytes.end()}));
    }
    void Close() override {
        calls.push_back("Close");
        OpenFlag = 0;
    }
    void Abort() override {
        calls.push_back("Abort");
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
        packet.BinData.Set(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        packet.BinDataLen = static_cast<int32_t>(bytes.size());
        incoming.push_back(packet);
        platform::PostEvent(kEvent);
    }

    std::vector<std::string> calls;
    std::vector<OpenCall> opens;
    std::vector<std::string> sent;
    std::vector<int32_t> events;
    std::deque<NET::SimplePacketType> incoming;
    int32_t stored = 0;
};

/// Records the link object's calls with the window timer at the time.
class RecordingLink : public window::PlainHyperLink {
public:
    explicit RecordingLink(window::HeadlessHost& host, std::vector<std::string>& log) : host_(host), log_(log) {}
    void SetHandCursorToUse(std::string_view file) override {
        log_.push_back("HandCursor " + std::string(file));
        PlainHyperLink::SetHandCursorToUse(file);
    }
    void Init(int32_t pollEvent, uint8_t options) override {
        log_.push_back("LinkInit " + std::to_string(pollEvent) + " timer " + std::to_string(host_.TimerPeriod()));
        PlainHyperLink::Init(pollEvent, options);
    }
    void SetLimitURL(int32_t limit) override { log_.push_back("LimitURL " + std::to_string(limit)); }
    void AddItem(std::string_view control, std::string_view url, int32_t std) override {
        log_.push_back("AddItem " + std::string(control) + " " + std::string(url));
        PlainHyperLink::AddItem(control, url, std);
    }
    void Refresh(std::string_view) override { log_.push_back("Refresh"); }

private:
    window::HeadlessHost& host_;
    std::vector<std::string>& log_;
};

class RecordingFocus : public window::PlainFocusHighlight {
public:
    explicit RecordingFocus(std::vector<std::string>& log) : log_(log) {}
    void Init(const window::FocusHighlightSettings& settings) override {
        log_.push_back("FocusInit");
        PlainFocusHighlight::Init(settings);
    }
    void TakeEvent() override { ++events; }
    int events = 0;

private:
    std::vector<std::string>& log_;
};

using testsupport::At;

class TestWindowTest : public ::testing::Test {
protected:
    TestWindowTest() {
        dir = testsupport::MakeTempDir("window");
        settingsFile = (dir / "Brackwater.ini").string();
    }
    ~TestWindowTest() override {
        window.reset();
        std::filesystem::remove_all(dir);
    }

    /// Builds the window and runs its Init, as the program does when it starts.
    void StartWindow() {
        window::TestWindowParts parts;
        parts.connection = [this](TestData& data, TestWindowServices& services) {
            auto made = std::make_unique<FakeConnection>(data, services);
            connection = made.get();
            return made;
        };
        parts.link = [this](window::WindowManager&) {
            auto made = std::make_unique<RecordingLink>(host, aidLog);
            link = made.get();
            return made;
        };
        parts.focus = [this](window::WindowManager&) {
            auto made = std::make_unique<RecordingFocus>(aidLog);
            focus = made.get();
            return made;
        };
        parts.settingsFile = settingsFile;
        parts.productAddress = "https://example.invalid/brackwater";
        parts.serverOverride = serverOverride;
        window = std::make_unique<window::TestWindow>(host, std::move(parts));
        ASSERT_EQ(host.Start(window->ThisWindow), 0);
    }

    void WriteSettings(const std::string& text) { std::ofstream(settingsFile, std::ios::binary) << text; }
    std::string SettingsText() const {
        std::ifstream in(settingsFile, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

    /// Makes the connection's pending open succeed (the engine's report) and runs it.
    void Connected() {
        connection->Deliver(NET::SimpleAsyncOpenSuccessful);
        host.Pump();
    }
    void Reply(std::string_view hex) {
        connection->Deliver(NET::SimplePartialDataPacket, Hex(hex));
        host.Pump();
    }
    /// Opens the connection through the Open button after the first tick (so
    /// the timer keeps its period of 8), as a user does first.
    void OpenConnection() {
        host.Advance(8);
        host.Press("BOpen");
        Connected();
    }
    /// The first cell of each row of the raw list, newest first.
    std::vector<std::string> RawLines() const {
        std::vector<std::string> lines;
        for (const auto& row : host.Rows("LRaw")) lines.push_back(row.at(0));
        return lines;
    }
    TestData& Data() { return window->Data; }

    std::filesystem::path dir;
    std::string settingsFile;
    platform::ManualClock clock{At(14, 5, 0)};
    platform::ScopedClock scopedClock{clock};
    window::HeadlessHost host{clock};
    std::vector<std::string> aidLog;
    std::optional<window::ServerAndPort> serverOverride;  // handed to the window by StartWindow
    FakeConnection* connection = nullptr;
    RecordingLink* link = nullptr;
    RecordingFocus* focus = nullptr;
    std::unique_ptr<window::TestWindow> window;
};

}  // namespace window_test
