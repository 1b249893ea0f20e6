// A fresh library state for every test of the callback window: the record
// and logging back to how a process starts, the sockets layer marked as
// started, a manual clock in force and the debug output captured. Any
// callback thread a test loaded is closed and joined before the next test.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

#include "net/callback/callback_window.h"
#include "net/connection/unique_events.h"
#include "net/engine/engine_hooks.h"
#include "netcore/net_critical.h"
#include "netcore/net_log.h"
#include "netcore/net_log_testing.h"
#include "netcore/net_memory.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/debug_output.h"
#include "platform/threads.h"

class NetTest : public ::testing::Test {
protected:
    static constexpr std::chrono::seconds kBound{10};  // bounded waits for the other thread

    void SetUp() override {
        ResetLibrary();
        platform::SetCommandLine("brackwater");
        {
            NetCriticalHold hold;
            NetMemory.WinsockInit = 1;
        }
    }
    void TearDown() override {
        NetCloseCallBackWindow();
        EXPECT_TRUE(NetWaitForCallBackWindowEnd(kBound));
        while (platform::TakeEvent()) {
        }
        ResetLibrary();
    }

    static void ResetLibrary() {
        ResetNetLoggingForTests();
        ResetUniqueEventsForTests();
        NetCriticalHold hold;
        NetMemory = NETDLL::NetMemoryType{};
        NetEngineHooks() = NETDLL::EngineHooksType{};
    }

    /// Turns the library's lines on as the given switches would at start-up.
    static void LogWith(const std::string& switches) {
        platform::SetCommandLine("brackwater " + switches);
        LoggingOptions();
    }

    /// Loads the callback window holding the lock once, as an open does.
    static int32_t Load() {
        NetCriticalHold hold;
        return LoadCallBackWindow();
    }

    template <typename T>
    static T Read(T NETDLL::NetMemoryType::*field) {
        NetCriticalHold hold;
        return NetMemory.*field;
    }

    /// The next event posted to this thread, waiting at most kBound.
    static std::optional<int> NextEvent() { return platform::WaitEvent(kBound); }

    static std::string Prefix(int thread, std::string_view function) {
        return "[NetDLL] [" + std::to_string(thread) + "] " + std::string(function) + "() : ";
    }

    platform::ManualClock clock{1, {2026, 1, 1}};
    platform::ScopedClock scopedClock{clock};
    platform::ScopedCapture capture;
};
