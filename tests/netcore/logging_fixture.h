// A fresh logging state and a captured debug output for every test.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "netcore/net_log.h"
#include "netcore/net_log_testing.h"
#include "netcore/net_memory.h"
#include "platform/command_line.h"
#include "platform/debug_output.h"
#include "platform/threads.h"

class LoggingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetNetLoggingForTests();
        platform::SetCommandLine("C:\\Tools\\Brackwater.EXE");
    }
    void TearDown() override {
        ResetNetLoggingForTests();
        NetMemory.WinsockInit = 0;
    }

    /// Starts the process's logging as library start-up and the first connection object do.
    void StartWith(const std::string& commandLine) {
        platform::SetCommandLine(commandLine);
        LoggingOptions();
    }

    std::vector<std::string> Lines() const { return capture.Lines(); }

    /// "[<n>]" for the calling thread, as lines show it.
    static std::string Me() { return "[" + std::to_string(platform::ThisThread()) + "]"; }

    platform::ScopedCapture capture;
};
