// Library start-up against a temporary registry: a fresh library state, the
// registry directory of this test only, a manual clock and a captured trace.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "netcore/host_names.h"
#include "netcore/net_critical.h"
#include "netcore/net_log.h"
#include "netcore/net_log_testing.h"
#include "netcore/net_memory.h"
#include "netcore/net_registry.h"
#include "netcore/net_startup.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/debug_output.h"
#include "platform/host_lookup.h"
#include "platform/registry.h"
#include "platform/sockets.h"

class StartupTest : public ::testing::Test {
protected:
    static constexpr std::string_view kIdentityKey = "Software\\Sparlin\\GUID";
    static constexpr std::string_view kTcpipKey = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";

    void SetUp() override {
        Reset();
        platform::SetCommandLine("brackwater");
    }
    void TearDown() override {
        if (started_) DLLShutDown();
        platform::SetOfferedWinsockVersion(2, 2);
        SetComputerNameSourceForTests(nullptr);
        SetHostNameSourceForTests(nullptr);
        Reset();
    }

    static void Reset() {
        ResetNetLoggingForTests();
        NetCriticalHold hold;
        NetMemory = NETDLL::NetMemoryType{};
    }

    /// One start of the library with these switches on its command line.
    void Start(const std::string& switches = "") {
        if (started_) Stop();
        Reset();
        capture.Clear();
        platform::SetCommandLine("brackwater " + switches);
        DLLStartUp();
        started_ = true;
    }
    void Stop() {
        DLLShutDown();
        started_ = false;
    }

    static platform::RegistryValue Value(platform::RegistryRoot root, std::string_view key, std::string_view name) {
        platform::RegistryValue value;
        platform::ReadRegistryValue(root, key, name, value);
        return value;
    }
    static platform::RegistryValue User(std::string_view name) {
        return Value(platform::RegistryRoot::CurrentUser, kIdentityKey, name);
    }
    static platform::RegistryValue Tcpip(std::string_view name) {
        return Value(platform::RegistryRoot::LocalMachine, kTcpipKey, name);
    }
    static void SetTcpip(std::string_view name, uint32_t number) {
        platform::WriteRegistryValue(platform::RegistryRoot::LocalMachine, kTcpipKey, name,
                                     platform::RegistryValue::Dword(number));
    }

    /// A start-up line as it is written at once when Logging is 1.
    static std::string StartLine(std::string_view text) { return "[NetDLL] " + std::string(text); }

    platform::TemporaryRegistry registry;
    platform::ManualClock clock{360001, {2026, 1, 1}};  // 01:00:00
    platform::ScopedClock scopedClock{clock};
    platform::ScopedCapture capture;
    bool started_ = false;
};
