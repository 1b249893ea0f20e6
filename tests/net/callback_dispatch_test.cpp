// What the callback window does with messages and with its one-second tick.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <deque>
#include <mutex>
#include <tuple>

#include "net/callback/callback_pump.h"
#include "net/callback/window_procedures.h"
#include "net_fixture.h"
#include "platform/sockets.h"

using ::testing::Contains;
using ::testing::ElementsAre;

namespace {

// What the test hooks saw; the hooks run on the callback thread (or on this
// one when a test calls a procedure directly) and post to the test thread.
std::atomic<int> gTestThread{0};

// The arguments of each hook call, in call order.
std::mutex gSeenMutex;
std::deque<std::pair<int32_t, int32_t>> gSeen;
int32_t gLastA = 0;
int32_t gLastB = 0;

constexpr int kOpensChecked = 9001;
constexpr int kIdleChecked = 9002;
constexpr int kClosingChecked = 9003;
constexpr int kClientNotified = 9004;
constexpr int kLookupAnswered = 9005;
constexpr int kPassedOn = 9006;

int32_t Record(int event, int32_t a, int32_t b) {
    {
        std::lock_guard lock(gSeenMutex);
        gSeen.emplace_back(a, b);
    }
    platform::PostEvent(event, gTestThread);
    return 77;
}

int32_t RecordingProc(int32_t /*hWnd*/, int32_t Msg, int32_t wParam, int32_t lParam) {
    Record(kPassedOn, Msg, wParam + lParam);
    return 42;
}

class CallBackDispatchTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        gTestThread = platform::ThisThread();
        gSeen.clear();
        NetCriticalHold hold;
        auto& hooks = NetEngineHooks();
        hooks.Timer_CheckSimpleAsyncOpens = [] { Record(kOpensChecked, 0, 0); };
        hooks.Timer_CheckForSimpleIdleConnections = [] { Record(kIdleChecked, 0, 0); };
        hooks.CheckClosingSimpleSockets = [] { Record(kClosingChecked, 0, 0); };
        hooks.SimpleClient_Async = [](int32_t Msg, int32_t word) { return Record(kClientNotified, Msg, word); };
        hooks.SimpleAsyncDNS = [](int32_t task, int32_t word) { return Record(kLookupAnswered, task, word); };
        NetMemory.CallBackWindowClientSavedProc = NetWindowProcNumber(RecordingProc);
        NetMemory.CallBackWindowMainSavedProc = NetWindowProcNumber(RecordingProc);
    }

    /// The next event posted by a hook; gLastA and gLastB take that call's arguments.
    static std::optional<int> NextEvent() {
        auto event = NetTest::NextEvent();
        std::lock_guard lock(gSeenMutex);
        if (event && !gSeen.empty()) {
            std::tie(gLastA, gLastB) = gSeen.front();
            gSeen.pop_front();
        }
        return event;
    }

    /// Moves the clock one second and returns what the tick ran, once the tick is over.
    std::vector<int> Tick() {
        clock.Advance(100);
        std::vector<int> ran;
        for (int expected : {kOpensChecked, kIdleChecked}) {
            auto event = NextEvent();
            EXPECT_EQ(event, expected);
            ran.push_back(event.value_or(0));
        }
        { NetCriticalHold waitForTheTickToEnd; }
        while (auto event = platform::TakeEvent()) ran.push_back(*event);
        std::lock_guard lock(gSeenMutex);
        gSeen.clear();
        return ran;
    }
};

TEST_F(CallBackDispatchTest, MessagesBelow0400hArePassedOnUntouched) {
    LogWith("/netall");
    capture.Clear();
    EXPECT_EQ(CallBackWindowClientCallBack(65552, 0x0100, 5, 0x00270001), 42);
    EXPECT_EQ(NextEvent(), kPassedOn);
    EXPECT_EQ(gLastA, 0x0100);
    EXPECT_EQ(gLastB, 5 + 0x00270001);
    EXPECT_THAT(capture.Lines(), ElementsAre(Prefix(1, "CallBackWindowClientCallBack") +
                                             " count=1 Ignoring Message p_wMsg = 256 wParam = 5 (lParam = 2555905) = "
                                             "Loc:WSAGetSelect.Err = 39 & Loc:WSAGetSelect.Event = 1. p_hWnd = 65552"));
}

TEST_F(CallBackDispatchTest, TheWindowSystemsOwnNumbersArePassedOnToo) {
    for (int32_t Msg : {0x240A, 0x241B, 0xC09B, 0xC225}) {
        EXPECT_EQ(CallBackWindowClientCallBack(1, Msg, 0, 0), 42);
        EXPECT_EQ(NextEvent(), kPassedOn);
        EXPECT_EQ(gLastA, Msg);
    }
}

TEST_F(CallBackDispatchTest, ClientNumbersAndLookupAnswersReachTheEngine) {
    EXPECT_EQ(CallBackWindowClientCallBack(1, 6180, 12, 16), 1);
    EXPECT_EQ(NextEvent(), kClientNotified);
    EXPECT_EQ(gLastA, 6180);
    EXPECT_EQ(gLastB, 16);
    EXPECT_EQ(CallBackWindowClientCallBack(1, 7179, 12, (10061 << 16) | 16), 1);
    EXPECT_EQ(NextEvent(), kClientNotified);
    EXPECT_EQ(gLastB, (10061 << 16) | 16);
    EXPECT_EQ(CallBackWindowClientCallBack(1, 3109, 33, 48), 1);
    EXPECT_EQ(NextEvent(), kLookupAnswered);
    EXPECT_EQ(gLastA, 33);
    EXPECT_EQ(gLastB, 48);
}

TEST_F(CallBackDispatchTest, NumbersOutsideTheClientRangesArePassedOnWithANote) {
    LogWith("/netall");
    for (int32_t Msg : {6179, 7180, 4096, 0x0C21, 0x0C22}) {
        capture.Clear();
        EXPECT_EQ(CallBackWindowClientCallBack(1, Msg, 0, 0), 42) << Msg;
        EXPECT_EQ(NextEvent(), kPassedOn);
        EXPECT_THAT(capture.Lines(), Contains(Prefix(1, "CallBackWindowClientCallBack") +
                                              "Attention. Received a message that isn't in one of our queues. "
                                              "p_wMsg = " +
                                              std::to_string(Msg)));
    }
}

TEST_F(CallBackDispatchTest, LogOffClosesDownUnlessTheProgramIsAService) {
    {
        NetCriticalHold hold;
        NetMemory.IAmAService = 1;
    }
    EXPECT_EQ(CallBackWindowMainCallBack(1, NETDLL::WM::QueryEndSession, 0, 0), 1);
    EXPECT_EQ(platform::PendingEvents(), 0u);
    {
        NetCriticalHold hold;
        NetMemory.IAmAService = 0;
    }
    EXPECT_EQ(CallBackWindowMainCallBack(1, NETDLL::WM::EndSession, 0, 0), 1);
    EXPECT_EQ(platform::TakeEvent(), NETDLL::EVENT::CloseDown);
    EXPECT_EQ(CallBackWindowMainCallBack(1, 0x0005, 1, 2), 42);  // anything else: the saved procedure
    EXPECT_EQ(NextEvent(), kPassedOn);
    EXPECT_EQ(gLastA, 0x0005);
}

TEST_F(CallBackDispatchTest, ChecksRunEveryTickAndTheClosingCheckOnTick21ThenEvery20) {
    ASSERT_EQ(Load(), 0);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::MediumTimerCounter), 21);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::ShortTimerCounter), 11);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::LongTimerCounter), 1201);
    std::vector<int> closingTicks;
    for (int tick = 1; tick <= 61; ++tick) {
        auto ran = Tick();
        ASSERT_GE(ran.size(), 2u) << tick;
        if (ran.size() == 3 && ran[2] == kClosingChecked) closingTicks.push_back(tick);
    }
    EXPECT_THAT(closingTicks, ElementsAre(21, 41, 61));
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::MediumTimerCounter), 20);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::LongTimerCounter), 1201 - 61);
}

TEST_F(CallBackDispatchTest, ALongJumpOfTheClockGivesOneTickNotMany) {
    ASSERT_EQ(Load(), 0);
    clock.Advance(500);
    EXPECT_EQ(NextEvent(), kOpensChecked);
    EXPECT_EQ(NextEvent(), kIdleChecked);
    { NetCriticalHold waitForTheTickToEnd; }
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::MediumTimerCounter), 20);
    EXPECT_EQ(Tick().size(), 2u);
    EXPECT_EQ(Read(&NETDLL::NetMemoryType::MediumTimerCounter), 19);
}

/// A listener on an ephemeral loopback port; its address for connect().
struct Listener {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    platform::SockAddrIn address;
    Listener() {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
        ::listen(fd, 4);
        socklen_t length = sizeof local;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
        address.sin_port = local.sin_port;
        address.sin_addr = local.sin_addr.s_addr;
    }
    ~Listener() { ::close(fd); }
};

TEST_F(CallBackDispatchTest, ASelectedSocketsConnectReachesTheClientHandler) {
    ASSERT_EQ(Load(), 0);
    Listener listener;
    platform::WSAData data;
    ASSERT_EQ(platform::WSAStartup(2, 2, data), 0);
    const platform::SocketHandle s = platform::socket();
    {
        NetCriticalHold hold;
        ASSERT_EQ(WSAAsyncSelect(s, NetMemory.CallBackWindowClientHandle, 6180, 1 | 2 | 16 | 32), 0);
        platform::connect(s, listener.address);
    }
    EXPECT_EQ(NextEvent(), kClientNotified);
    EXPECT_EQ(gLastA, 6180);
    EXPECT_EQ(gLastB, 16);  // connect, no error
    {
        NetCriticalHold hold;
        WSAAsyncSelect(s, NetMemory.CallBackWindowClientHandle, 0, 0);
        platform::closesocket(s);
    }
    platform::WSACleanup();
}

TEST_F(CallBackDispatchTest, ABackgroundLookupFillsItsBufferBeforeTheHandlerRuns) {
    ASSERT_EQ(Load(), 0);
    static platform::HostEntry answer;
    answer = {};
    int32_t task = 0;
    {
        NetCriticalHold hold;
        task = WSAAsyncGetHostByName(NetMemory.CallBackWindowClientHandle, 3109, "localhost", &answer);
    }
    ASSERT_NE(task, 0);
    EXPECT_EQ(NextEvent(), kLookupAnswered);
    EXPECT_EQ(gLastA, task);
    EXPECT_EQ(static_cast<uint32_t>(gLastB) >> 16, 0u);
    NetCriticalHold hold;
    ASSERT_FALSE(answer.addresses.empty());
    EXPECT_EQ(platform::inet_ntoa(answer.addresses.front()), "127.0.0.1");
}

TEST_F(CallBackDispatchTest, RequestsForAWindowThatIsNotOpenFail) {
    NetCriticalHold hold;
    EXPECT_EQ(WSAAsyncSelect(5, 12345, 6180, 1), platform::SOCKET_ERROR);
    EXPECT_EQ(platform::WSAGetLastError(), platform::WSAEINVAL);
    EXPECT_EQ(WSAAsyncGetHostByName(12345, 3109, "localhost", nullptr), 0);
    EXPECT_EQ(WSACancelAsyncRequest(999), platform::SOCKET_ERROR);
}

}  // namespace
