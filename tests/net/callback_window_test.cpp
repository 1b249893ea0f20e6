// Loading, running and closing the callback window on its own thread.
#include <atomic>

#include "net/callback/callback_thread.h"
#include "net_fixture.h"
#include "netcore/net_codes.h"
#include "netcore/net_startup.h"

using ::testing::Contains;
using ::testing::HasSubstr;

namespace {

using CallBackWindowTest = NetTest;

TEST_F(CallBackWindowTest, WithoutTheSocketsLayerNothingIsCreated) {
    {
        NetCriticalHold hold;
        NetMemory.WinsockInit = 0;
    }
    EXPECT_EQ(Load(), NET::kCouldNotLoad);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::CallBackWindowLoaded), 0);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::CallBackWindowThread), 0);
    EXPECT_EQ(NetCloseCallBackWindow(), NET::kCallBackWindowClosed);
}

TEST_F(CallBackWindowTest, LoadsOnceAndTheSecondConnectionFindsItLoaded) {
    ASSERT_EQ(Load(), 0);
    const int32_t thread = Read(&NETDLL::NetMemoryType::CallBackWindowThread);
    EXPECT_NE(thread, 0);
    EXPECT_NE(thread, platform::ThisThread());
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::CallBackWindowLoaded), 1);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::WindowLoaderThread), platform::ThisThread());
    EXPECT_NE(Read(&NETDLL::NetMemoryType::CallBackWindowClientHandle), 0);
    EXPECT_EQ(CallBackWindowShownTitle(), "Sparlin DLL WinSock Call Back Window");

    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::CallBackWindowThread), thread);
    // The loader handed the caller's hold back: this thread holds the lock exactly as before.
    EXPECT_EQ(NetGet_NetCriticalSection()->HeldByThisThread(), 0);
}

TEST_F(CallBackWindowTest, CloseGivesZeroThenMinus48OnceTheThreadHasEnded) {
    LogWith("/netall");
    ASSERT_EQ(Load(), 0);
    const int32_t thread = Read(&NETDLL::NetMemoryType::CallBackWindowThread);
    EXPECT_EQ(NetCloseCallBackWindow(), 0);
    ASSERT_TRUE(NetWaitForCallBackWindowEnd(kBound));
    EXPECT_EQ(NetCloseCallBackWindow(), NET::kCallBackWindowClosed);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::CallBackWindowLoaded), 0);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::CallBackWindowThread), 0);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::DLLClosedDown), 1);
    auto lines = capture.Lines();
    EXPECT_THAT(lines, Contains(Prefix(1, "WindowLoaderSrc") +
                                "Sparlin Call Back Window Started Okay - received NETDLL:EVENT:CallBackWindowHappy"));
    EXPECT_THAT(lines, Contains(Prefix(thread, "CallBackWindowSrc") +
                                "Information: Got Event:CloseDown - will close down the DLL process."));
    EXPECT_THAT(lines, Contains(Prefix(thread, "CloseAll") + "Information: Closing All"));
    EXPECT_THAT(lines, Contains(Prefix(thread, "CallBackWindowSrc") + "Sparlin Call Back Window Closed."));
    EXPECT_THAT(lines, Contains(Prefix(1, "NetCloseCallBackWindow") + "NetCloseCallBackWindow already closed"));
}

TEST_F(CallBackWindowTest, ItCanBeLoadedAgainAfterAClose) {
    ASSERT_EQ(Load(), 0);
    const int32_t first = Read(&NETDLL::NetMemoryType::CallBackWindowThread);
    NetCloseCallBackWindow();
    ASSERT_TRUE(NetWaitForCallBackWindowEnd(kBound));
    ASSERT_EQ(Load(), 0);
    EXPECT_NE(Read(&NETDLL::NetMemoryType::CallBackWindowThread), first);
}

TEST_F(CallBackWindowTest, EventsForTheLoadingThreadAreKeptInOrder) {
    platform::PostEvent(4711);
    platform::PostEvent(4712);
    ASSERT_EQ(Load(), 0);
    EXPECT_EQ(platform::TakeEvent(), 4711);
    EXPECT_EQ(platform::TakeEvent(), 4712);
    EXPECT_EQ(platform::TakeEvent(), std::nullopt);
}

TEST_F(CallBackWindowTest, APlainCloseRequestIsRefusedAndTheCloseButtonClosesDown) {
    LogWith("/netall");
    std::atomic<int> closedSockets{0};
    static std::atomic<int>* counter = nullptr;
    counter = &closedSockets;
    {
        NetCriticalHold hold;
        NetEngineHooks().CloseAllClientSockets = [] { ++*counter; };
    }
    ASSERT_EQ(Load(), 0);
    const int32_t thread = Read(&NETDLL::NetMemoryType::CallBackWindowThread);
    platform::PostEvent(NETDLL::EVENT::CloseWindow, thread);
    platform::PostEvent(NETDLL::EVENT::CloseButton, thread);
    ASSERT_TRUE(NetWaitForCallBackWindowEnd(kBound));
    EXPECT_EQ(closedSockets, 1);
    auto lines = capture.Lines();
    auto refused = std::find(lines.begin(), lines.end(),
                             Prefix(thread, "CallBackWindowSrc") +
                                 "Got Event:CloseWindow - Will ignore. You can only close NetMainWindow with a "
                                 "Event:CloseDown.");
    auto closing =
        std::find(lines.begin(), lines.end(), Prefix(thread, "CallBackWindowSrc") + "Information: Got Event:CloseDown");
    ASSERT_NE(refused, lines.end());
    EXPECT_LT(refused, closing);
}

TEST_F(CallBackWindowTest, NetDllShowPrefixesTheTitleWithTheThreadNumber) {
    platform::SetCommandLine("brackwater /netdllshow");
    ASSERT_EQ(Load(), 0);
    const int32_t thread = Read(&NETDLL::NetMemoryType::CallBackWindowThread);
    EXPECT_EQ(CallBackWindowShownTitle(), std::to_string(thread) + " : Sparlin DLL WinSock Call Back Window");
}

TEST_F(CallBackWindowTest, ALoaderThatHoldsTheLockTwiceStillGetsTheWindow) {
    NetCriticalHold outer;
    EXPECT_EQ(Load(), 0);
    EXPECT_EQ(NetGet_NetCriticalSection()->HeldByThisThread(), 1);
}

}  // namespace

namespace {

TEST_F(CallBackWindowTest, AThreadThatCannotStartGivesMinus49AndClosesEverything) {
    LogWith("/netall");
    FailNextCallBackThreadStartForTests();
    EXPECT_EQ(Load(), NET::kCallBackThreadFailed);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::CallBackWindowLoaded), 0);
    EXPECT_EQ(NetGet_NetCriticalSection()->HeldByThisThread(), 0);
    auto lines = capture.Lines();
    EXPECT_THAT(lines, Contains(Prefix(1, "WindowLoaderSrc") + "Error. Could not create a new thread."));
    EXPECT_THAT(lines, Contains(Prefix(1, "CloseAll") + "Information: Closing All"));
    EXPECT_THAT(lines, Contains(Prefix(1, "NetCloseCallBackWindow") + "NetCloseCallBackWindow already closed"));
    EXPECT_EQ(Load(), 0);  // the next open tries again
}

TEST_F(CallBackWindowTest, LibraryShutdownEndsARunningCallBackWindow) {
    static std::atomic<int> closes{0};
    closes = 0;
    {
        NetCriticalHold hold;
        NetEngineHooks().CloseAllClientSockets = [] { ++closes; };
    }
    ASSERT_EQ(Load(), 0);
    DLLShutDown();
    EXPECT_TRUE(NetWaitForCallBackWindowEnd(std::chrono::milliseconds(0)));
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::CallBackWindowLoaded), 0);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::WinsockInit), 0);
    EXPECT_EQ(closes, 2);  // by the callback thread at its close-down, and by the shutdown itself
}

}  // namespace

namespace {

TEST_F(CallBackWindowTest, WithNoSocketsCloseAllWritesOnlyItsInformationLines) {
    LogWith("/netall");
    capture.Clear();
    CloseAll();
    EXPECT_THAT(capture.Lines(), ::testing::ElementsAre(Prefix(1, "CloseAll") + "Information: Closing All",
                                                        Prefix(1, "CloseAll") + "Information: Closing Sockets",
                                                        Prefix(1, "CloseAll") + "End of function - That's all folks"));
}

TEST_F(CallBackWindowTest, CloseAllKeepsTheUniqueEvents) {
    NetGetUniqueEvent();
    CloseAll();
    EXPECT_EQ(NetGetUniqueEvent(), 2058);
}

}  // namespace
