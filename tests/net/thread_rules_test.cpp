// The checked thread rules: this build checks them, and a call from the wrong
// thread is caught with the function's name and the thread it belongs to.
#include <gtest/gtest.h>

#include <thread>

#include "net/callback/callback_window.h"
#include "net/connection/net_simple.h"
#include "platform/thread_check.h"

namespace {

TEST(ThreadRulesTest, TestBuildsCheckThem) { EXPECT_TRUE(platform::kThreadChecks); }

TEST(ThreadRulesDeathTest, ConnectionMethodOffItsOwnerThreadAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    NetSimple connection;
    connection.Connection_.NotifyThread = platform::ThisThread();  // as Init makes this thread the owner
    EXPECT_DEATH(std::thread([&connection] { connection.Send(); }).join(),
                 "Thread rule broken: .*NetSimple::Send.* must run on the connection's owner thread");
}

TEST(ThreadRulesDeathTest, EngineTickWithoutTheLockAborts) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(TimerMain(), "Thread rule broken: .*TimerMain.* a thread that holds the library lock");
}

}  // namespace
