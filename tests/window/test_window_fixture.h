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

#include "fake_connection.h"
#include "modbus/test_connection.h"
#include "platform/clock.h"
#include "platform/threads.h"
#include "test_time.h"
#include "window/headless_host.h"
#include "window/test_window.h"

namespace window_test {

using testsupport::FakeConnection;
using testsupport::Hex;

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
