#include "platform/debug_output.h"

#include <gtest/gtest.h>

#include <thread>

namespace platform {
namespace {

TEST(DebugOutput, CapturesWholeLinesInCallOrder) {
    ScopedCapture capture;
    DebugOutput("first");
    DebugOutput(std::string(600, 'x'));
    DebugOutput("third");
    auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "first");
    EXPECT_EQ(lines[1].size(), 600u);
    EXPECT_EQ(lines[2], "third");
    EXPECT_TRUE(capture.Contains("hir"));
}

TEST(DebugOutput, LinesFromTwoThreadsNeverMix) {
    ScopedCapture capture;
    auto writer = [](char c) {
        for (int i = 0; i < 200; ++i) DebugOutput(std::string(100, c));
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 400u);
    for (const auto& l : lines) EXPECT_TRUE(l == std::string(100, 'a') || l == std::string(100, 'b'));
}

}  // namespace
}  // namespace platform
