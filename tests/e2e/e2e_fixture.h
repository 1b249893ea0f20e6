// The whole program in one process, as a user meets it: the test window with
// its real link and focus aids on the headless host, the network library
// started as the program starts it (its callback thread and socket engine),
// and a DL06 simulator on an ephemeral 127.0.0.1 port that the window's
// Server and Port point at.
//
// Time that the window or the library measures comes from a ManualClock the
// test moves; outcomes that travel through sockets are awaited with bounded
// waits on the window thread's event queue.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/window_aids.h"
#include "net/callback/callback_window.h"
#include "net/connection/unique_events.h"
#include "net/engine/simple_engine.h"
#include "net_library_reset.h"
#include "netcore/net_critical.h"
#include "netcore/net_log_testing.h"
#include "netcore/net_memory.h"
#include "netcore/net_startup.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/debug_output.h"
#include "platform/registry.h"
#include "platform/threads.h"
#include "sim/simulator.h"
#include "test_time.h"
#include "window/headless_host.h"
#include "window/test_layout.h"
#include "window/test_window.h"

namespace e2e {

/// Bound on every wait for the other threads; reached only when something is broken.
inline constexpr std::chrono::milliseconds kBound{5000};

using testsupport::At;

class EndToEndTest : public ::testing::Test {
protected:
    EndToEndTest() {
        dir = testsupport::MakeTempDir("e2e");
        settingsFile = (dir / "Brackwater.ini").string();
    }
    ~EndToEndTest() override { std::filesystem::remove_all(dir); }

    void SetUp() override {
        ResetLibrary();
        platform::SetCommandLine("brackwater");
        library.emplace();  // the library starts first, as in the program
        simulator.SetRequestObserver([this](const sim::RequestRecord& record) {
            std::lock_guard lock(requestsMutex_);
            requests_.push_back(record);
        });
        std::string error;
        ASSERT_TRUE(simulator.Start(&error)) << error;
        port = simulator.Port();
    }

    void TearDown() override {
        if (window && !host.Ended()) host.CloseBox();
        NetCloseCallBackWindow();
        EXPECT_TRUE(NetWaitForCallBackWindowEnd(kBound));
        window.reset();
        library.reset();  // the library's shutdown
        simulator.Stop();
        while (platform::TakeEvent()) {
        }
        ResetLibrary();
    }

    /// A fresh library state, as in a new process.
    static void ResetLibrary() { testsupport::ResetNetLibrary(); }

    /// The settings file of a user whose window points at the simulator.
    std::string SimulatorSettings(int timerValue = 8, int sendAllTimerValue = 50) const {
        return "[Test]\nTimerValue=" + std::to_string(timerValue) + "\nServer=127.0.0.1\nPort=" + std::to_string(port) +
               "\nAfterSendPauseValue=20\nSendAllTimerValue=" + std::to_string(sendAllTimerValue) + "\n";
    }
    void WriteSettings(const std::string& text) { std::ofstream(settingsFile, std::ios::binary) << text; }
    std::string SettingsText() const {
        std::ifstream in(settingsFile, std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }

    /// The window's parts as the program builds them, the settings file in the test's directory.
    window::TestWindowParts ProgramParts() {
        window::TestWindowParts parts;
        aids.Install(parts);
        parts.settingsFile = settingsFile;
        parts.productAddress = "https://example.invalid/brackwater";
        return parts;
    }

    /// Opens the window on the headless host with the settings file as it stands.
    void StartWindow() {
        window = std::make_unique<window::TestWindow>(host, ProgramParts());
        ASSERT_EQ(host.Start(window->ThisWindow), 0);
    }
    /// The usual start: the settings point at the simulator, the window opens.
    void StartWindowAtSimulator() {
        WriteSettings(SimulatorSettings());
        StartWindow();
    }

    // --- waiting for the other threads -------------------------------------------------

    /// Runs the window's posted events until `done` holds; false after kBound.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + kBound;
        for (;;) {
            host.Pump();
            if (done()) return true;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd queue{platform::QueueWakeFd(), POLLIN, 0};
            ::poll(&queue, 1, static_cast<int>(std::min<int64_t>(left.count(), 50)));
        }
    }
    /// Waits (bounded) for a condition that another thread makes true, without running the window.
    static bool WaitFor(const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + kBound;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    // --- acting as the user -----------------------------------------------------------------

    /// One tick of the window's timer (the clock moves by one period).
    void Tick() {
        ASSERT_GT(host.TimerPeriod(), 0) << "the window's timer is stopped";
        host.Advance(host.TimerPeriod());
    }
    /// Open, and the wait for the window's "Open Successful" line and for the
    /// simulator to have taken the connection (the connect completes first).
    void OpenConnection() {
        const uint64_t accepted = simulator.ConnectionsAccepted();
        host.Press("BOpen");
        ASSERT_TRUE(PumpUntil([&] { return TopRawLine().ends_with(" Open Successful"); }))
            << "the connection did not open";
        ASSERT_TRUE(WaitFor([&] { return simulator.ConnectionsAccepted() > accepted; }));
    }
    /// Ticks the callback thread has run; read under the library lock, so a tick
    /// that has been counted has also finished its checks and posts.
    static int32_t CallBackTicks() {
        NetCriticalHold hold;
        return NetMemory.LongTimerCounter;  // counts down once per tick
    }
    /// One second with the window's timer at 100: one window tick, one clock
    /// move, and the wait for the callback thread's one-second tick.
    void OneSecond() {
        ASSERT_EQ(host.TimerPeriod(), 100);
        const int32_t before = CallBackTicks();
        host.Advance(100);
        ASSERT_TRUE(WaitFor([&] { return CallBackTicks() != before; })) << "the callback thread did not tick";
    }
    /// One tick, then the wait until every request of the formatted list has its reply.
    void TickUntilAnswered() {
        Tick();
        ASSERT_TRUE(PumpUntil([&] { return AllAnswered(); })) << "a request was not answered";
    }

    // --- what the user sees -----------------------------------------------------------------

    /// The raw list, newest line first.
    std::vector<std::string> RawLines() const {
        std::vector<std::string> lines;
        for (const auto& row : host.Rows("LRaw")) lines.push_back(row.at(0));
        return lines;
    }
    std::string TopRawLine() const {
        const auto& rows = host.Rows("LRaw");
        return rows.empty() ? std::string() : rows.front().at(0);
    }
    std::size_t RawLinesContaining(std::string_view text) const {
        auto lines = RawLines();
        return static_cast<std::size_t>(std::count_if(
            lines.begin(), lines.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; }));
    }
    /// Rows of the formatted list: Sent, Sent Time, SendCount, OutIdentifier,
    /// OutFunctionCode, OutLength, Recieved, InIdentifier, InFunctionCode, InLength.
    const std::vector<std::vector<std::string>>& FormattedRows() const { return host.Rows("LFormatted"); }
    bool AllAnswered() const {
        const auto& rows = FormattedRows();
        return !rows.empty() &&
               std::all_of(rows.begin(), rows.end(), [](const auto& row) { return Trimmed(row.at(6)) == "1"; });
    }
    static std::string Trimmed(std::string text) {
        text.erase(0, text.find_first_not_of(' '));
        text.erase(text.find_last_not_of(' ') + 1);
        return text;
    }
    std::string Shows(const std::string& control) const { return Trimmed(host.Shows(control)); }

    /// Requests as the simulator received them, in arrival order.
    std::vector<sim::RequestRecord> SimRequests() {
        std::lock_guard lock(requestsMutex_);
        return requests_;
    }
    /// "fc start qty" of every request the simulator received, e.g. "1 2047 20".
    std::vector<std::string> SimRequestSummaries() {
        std::vector<std::string> out;
        for (const auto& r : SimRequests())
            out.push_back(std::to_string(r.request.function) + " " + std::to_string(r.request.start) + " " +
                          std::to_string(r.request.quantity));
        return out;
    }
    MyC& Connection() { return window->Connection(); }
    TestData& Data() { return window->Data; }

    std::filesystem::path dir;
    std::string settingsFile;
    platform::ManualClock clock{At(14, 5, 0)};
    platform::ScopedClock scopedClock{clock};
    platform::ScopedCapture capture;
    platform::TemporaryRegistry registry;
    std::optional<NetStartupType> library;
    std::mutex requestsMutex_;                  // the simulator's observer writes from its thread
    std::vector<sim::RequestRecord> requests_;  // declared before the simulator, which outlives neither
    sim::Dl06Simulator simulator;
    uint16_t port = 0;
    window::HeadlessHost host{clock};
    app::WindowAids aids;
    std::unique_ptr<window::TestWindow> window;
};

}  // namespace e2e
