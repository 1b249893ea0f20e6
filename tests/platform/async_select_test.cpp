// The Windows delivery rules of asynchronous selection, on real loopback sockets.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <atomic>
#include <mutex>

#include "loopback.h"
#include "platform/async_dispatcher.h"
#include "platform/threads.h"

namespace platform {
namespace {

using loopback::LoopbackPort;
using loopback::Pump;

constexpr int32_t kMessage = 6180;
constexpr int32_t kAllEvents = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;

struct Seen {
    int32_t event;
    int32_t error;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> Events(const Pump& pump) {
    std::vector<Seen> seen;
    for (const auto& m : pump.messages) seen.push_back({SelectEvent(m.lParam), SelectError(m.lParam)});
    return seen;
}

std::size_t Count(const Pump& pump, int32_t event) {
    std::size_t count = 0;
    for (const auto& m : pump.messages)
        if (SelectEvent(m.lParam) == event) ++count;
    return count;
}

/// A client socket opened asynchronously through the dispatcher, with its accepted peer.
class Connected : public ::testing::Test {
protected:
    void SetUp() override {
        s = socket();
        ASSERT_EQ(dispatcher.AsyncSelect(s, kMessage, kAllEvents), 0);
        ASSERT_EQ(connect(s, port.Address()), SOCKET_ERROR);
        ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
        peer = port.Accept();
        ASSERT_GE(peer, 0);
        ASSERT_TRUE(pump.UntilCount(2));  // connect, then the first write
        ASSERT_EQ(Events(pump), (std::vector<Seen>{{FD_CONNECT, 0}, {FD_WRITE, 0}}));
        pump.messages.clear();
    }
    void TearDown() override {
        if (peer >= 0) ::close(peer);
        closesocket(s);
    }
    int Unread() const {
        int count = 0;
        ioctl(s, FIONREAD, &count);
        return count;
    }

    AsyncDispatcher dispatcher;
    Pump pump{dispatcher};
    LoopbackPort port;
    SocketHandle s = 0;
    int peer = -1;
};

TEST_F(Connected, ConnectAndFirstWriteCameOnceWithTheSocketAndMessage) {
    EXPECT_EQ(pump.Now(), 0);  // still writable, but the write was announced already
    ::send(peer, "x", 1, 0);
    ASSERT_TRUE(pump.UntilCount(1));
    EXPECT_EQ(pump.messages[0].message, kMessage);
    EXPECT_EQ(pump.messages[0].wParam, s);
    EXPECT_EQ(pump.messages[0].lParam, FD_READ);
}

TEST_F(Connected, ReadIsReEnabledOnlyByTheNextReceive) {
    ASSERT_EQ(::send(peer, "abcdef", 6, 0), 6);
    ASSERT_TRUE(pump.UntilCount(1));
    EXPECT_EQ(Events(pump), (std::vector<Seen>{{FD_READ, 0}}));
    ASSERT_EQ(Unread(), 6);
    EXPECT_EQ(pump.Now(), 0);  // data still wait, but no receive was made

    char buffer[8];
    ASSERT_EQ(recv(s, buffer, 3), 3);
    ASSERT_TRUE(pump.UntilCount(2));  // three bytes left: announced again
    EXPECT_EQ(Count(pump, FD_READ), 2u);
    ASSERT_EQ(recv(s, buffer, 8), 3);
    EXPECT_EQ(pump.Now(), 0);  // nothing left, nothing announced
    ASSERT_EQ(::send(peer, "g", 1, 0), 1);
    ASSERT_TRUE(pump.UntilCount(3));
    EXPECT_EQ(Count(pump, FD_READ), 3u);
}

TEST_F(Connected, WriteComesAgainOnlyAfterASendThatWouldBlockOnceThePeerDrains) {
    std::string chunk(65536, 'w');
    int sends = 0;
    while (send(s, chunk.data(), static_cast<int32_t>(chunk.size())) != SOCKET_ERROR) {
        ASSERT_LT(++sends, 10000) << "the send buffer never filled";
    }
    ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_EQ(pump.Now(), 0);  // full: nothing to announce yet

    std::vector<char> sink(1 << 20);
    ASSERT_TRUE(pump.Until([&] {
        while (::recv(peer, sink.data(), sink.size(), MSG_DONTWAIT) > 0) {
        }
        return Count(pump, FD_WRITE) > 0;
    }));
    EXPECT_EQ(Events(pump), (std::vector<Seen>{{FD_WRITE, 0}}));
    EXPECT_EQ(pump.Now(), 0);  // writable still, but announced once
    ASSERT_GT(send(s, "more", 4), 0);
    EXPECT_EQ(pump.Now(), 0);  // a send that succeeds arms nothing
}

TEST_F(Connected, GracefulPeerCloseComesOnceAfterTheData) {
    ::send(peer, "bye", 3, 0);
    ::close(peer);
    peer = -1;
    ASSERT_TRUE(pump.UntilCount(1));
    ASSERT_EQ(Events(pump), (std::vector<Seen>{{FD_READ, 0}}));
    EXPECT_EQ(pump.Now(), 0);  // the close waits until the data are taken

    char buffer[8];
    ASSERT_EQ(recv(s, buffer, sizeof buffer), 3);
    ASSERT_TRUE(pump.UntilCount(2));
    EXPECT_EQ(Events(pump), (std::vector<Seen>{{FD_READ, 0}, {FD_CLOSE, 0}}));
    EXPECT_EQ(recv(s, buffer, sizeof buffer), 0);
    EXPECT_EQ(pump.Now(), 0);  // exactly one close, and no reads after it
}

TEST_F(Connected, ResetByThePeerComesOnceAsAClose10054) {
    linger abortive{1, 0};
    ::setsockopt(peer, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    ::close(peer);
    peer = -1;
    ASSERT_TRUE(pump.UntilCount(1));
    EXPECT_EQ(Events(pump), (std::vector<Seen>{{FD_CLOSE, WSAECONNRESET}}));
    EXPECT_EQ(pump.messages[0].lParam, FD_CLOSE | 10054 << 16);
    char buffer[8];
    recv(s, buffer, sizeof buffer);
    EXPECT_EQ(pump.Now(), 0);
}

TEST_F(Connected, AResetAReceiveAlreadyTookStillClosesWith10054) {
    ::send(peer, "x", 1, 0);
    ASSERT_TRUE(pump.UntilCount(1));
    linger abortive{1, 0};
    ::setsockopt(peer, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
    ::close(peer);
    peer = -1;
    char buffer[8];
    ASSERT_TRUE(loopback::WaitFor(s, POLLERR));
    while (recv(s, buffer, sizeof buffer) > 0) {
    }
    ASSERT_TRUE(pump.UntilCount(2));
    EXPECT_EQ(Events(pump).back(), (Seen{FD_CLOSE, WSAECONNRESET}));
    EXPECT_EQ(pump.Now(), 0);
}

TEST_F(Connected, SelectingNothingStopsNotifications) {
    ASSERT_EQ(dispatcher.AsyncSelect(s, 0, 0), 0);
    ::send(peer, "x", 1, 0);
    ASSERT_TRUE(loopback::WaitFor(s, POLLIN));
    EXPECT_EQ(pump.Now(), 0);
    ::close(peer);
    peer = -1;
    ASSERT_TRUE(loopback::WaitFor(s, POLLRDHUP));
    EXPECT_EQ(pump.Now(), 0);
    char byte;
    EXPECT_EQ(recv(s, &byte, 1), 1);  // still non-blocking and usable
}

TEST_F(Connected, AClosedSocketIsForgottenEvenWithDataWaiting) {
    ::send(peer, "x", 1, 0);
    ASSERT_TRUE(loopback::WaitFor(s, POLLIN));
    closesocket(s);
    EXPECT_EQ(pump.Now(), 0);
    s = socket();  // likely the same number: starts with a clean slate
    EXPECT_EQ(pump.Now(), 0);
}

TEST(AsyncSelect, RefusedConnectComesAsConnectWith10061AndNothingElse) {
    AsyncDispatcher dispatcher;
    Pump pump(dispatcher);
    LoopbackPort closed(false);
    SocketHandle s = socket();
    ASSERT_EQ(dispatcher.AsyncSelect(s, kMessage, kAllEvents), 0);
    EXPECT_EQ(connect(s, closed.Address()), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);  // as on Windows, the refusal comes later
    ASSERT_TRUE(pump.UntilCount(1));
    EXPECT_EQ(pump.messages[0].lParam, FD_CONNECT | WSAECONNREFUSED << 16);
    EXPECT_EQ(pump.Now(), 0);
    closesocket(s);
}

TEST(AsyncSelect, AConnectedSocketGetsItsFirstWriteAndWaitingDataAtSelection) {
    AsyncDispatcher dispatcher;
    Pump pump(dispatcher);
    LoopbackPort port;
    SocketHandle s = socket();
    ASSERT_EQ(connect(s, port.Address()), 0);  // blocking open
    int peer = port.Accept();
    ::send(peer, "hello", 5, 0);
    ASSERT_TRUE(loopback::WaitFor(s, POLLIN));
    ASSERT_EQ(dispatcher.AsyncSelect(s, kMessage, FD_READ | FD_WRITE | FD_CLOSE), 0);
    ASSERT_TRUE(pump.UntilCount(2));
    EXPECT_EQ(Events(pump), (std::vector<Seen>{{FD_READ, 0}, {FD_WRITE, 0}}));
    EXPECT_EQ(pump.Now(), 0);
    ::close(peer);
    closesocket(s);
}

// Data the peer sends before the connect has been announced come after the
// connect and the first write, not lost with the connect's own wake-up.
TEST(AsyncSelect, DataThatCameWithTheConnectAreAnnouncedAfterIt) {
    AsyncDispatcher dispatcher;
    Pump pump(dispatcher);
    LoopbackPort port;
    SocketHandle s = socket();
    ASSERT_EQ(dispatcher.AsyncSelect(s, kMessage, kAllEvents), 0);
    connect(s, port.Address());
    int peer = port.Accept();
    ASSERT_EQ(::send(peer, "hi", 2, 0), 2);
    ASSERT_TRUE(loopback::WaitFor(s, POLLIN));
    ASSERT_TRUE(pump.UntilCount(3));
    EXPECT_EQ(Events(pump), (std::vector<Seen>{{FD_CONNECT, 0}, {FD_WRITE, 0}, {FD_READ, 0}}));
    EXPECT_EQ(pump.Now(), 0);
    ::close(peer);
    closesocket(s);
}

// Many sockets selected on one dispatcher: data for one of them gives exactly
// its read, and the quiet ones give nothing.
TEST(AsyncSelect, AmongManyQuietSocketsOnlyTheOneWithDataIsAnnounced) {
    constexpr int kSockets = 40;
    AsyncDispatcher dispatcher;
    Pump pump(dispatcher);
    LoopbackPort port;
    std::vector<SocketHandle> sockets;
    std::vector<int> peers;
    for (int i = 0; i < kSockets; ++i) {
        sockets.push_back(socket());
        ASSERT_EQ(dispatcher.AsyncSelect(sockets.back(), kMessage + i, kAllEvents), 0);
        connect(sockets.back(), port.Address());
        peers.push_back(port.Accept());
        ASSERT_GE(peers.back(), 0);
    }
    ASSERT_TRUE(pump.UntilCount(2 * kSockets));  // a connect and a first write each
    pump.messages.clear();
    char buffer[8];
    for (int round = 0; round < 3; ++round) {
        const int chosen = 7 + 11 * round;
        ASSERT_EQ(::send(peers[static_cast<std::size_t>(chosen)], "x", 1, 0), 1);
        ASSERT_TRUE(pump.UntilCount(1));
        ASSERT_EQ(pump.messages.size(), 1u);
        EXPECT_EQ(pump.messages[0].message, kMessage + chosen);
        EXPECT_EQ(pump.messages[0].wParam, sockets[static_cast<std::size_t>(chosen)]);
        EXPECT_EQ(pump.messages[0].lParam, FD_READ);
        EXPECT_EQ(recv(sockets[static_cast<std::size_t>(chosen)], buffer, sizeof buffer), 1);
        EXPECT_EQ(pump.Now(), 0);
        pump.messages.clear();
    }
    for (int peer : peers) ::close(peer);
    for (SocketHandle s : sockets) closesocket(s);
}

TEST(AsyncSelect, OnlyTheEventsAskedForAreSent) {
    AsyncDispatcher dispatcher;
    Pump pump(dispatcher);
    LoopbackPort port;
    SocketHandle s = socket();
    ASSERT_EQ(dispatcher.AsyncSelect(s, kMessage, FD_CONNECT | FD_CLOSE), 0);
    connect(s, port.Address());
    int peer = port.Accept();
    ASSERT_TRUE(pump.UntilCount(1));
    ::send(peer, "data", 4, 0);
    ::close(peer);
    ASSERT_TRUE(pump.UntilCount(2));
    EXPECT_EQ(Events(pump), (std::vector<Seen>{{FD_CONNECT, 0}, {FD_CLOSE, 0}}));
    closesocket(s);
}

TEST(AsyncSelect, HandlesThatAreNoSocketsAreRefused) {
    AsyncDispatcher dispatcher;
    EXPECT_EQ(dispatcher.AsyncSelect(0, kMessage, FD_READ), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(dispatcher.AsyncSelect(QueueWakeFd(), kMessage, FD_READ), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
}

// The shape of the callback thread: one loop waits on its sockets and its
// event queue at once; the window thread selects and connects meanwhile.
TEST(AsyncSelect, ACallbackThreadDeliversWhatAnotherThreadRegistered) {
    constexpr int kStop = 1;
    constexpr int kNotified = 2;
    AsyncDispatcher dispatcher;
    LoopbackPort port;
    int windowThread = ThisThread();
    std::mutex mutex;
    std::vector<int32_t> words;
    auto callback = StartThread([&] {
        int fd = QueueWakeFd();
        for (;;) {
            dispatcher.PollOnce(
                -1,
                [&](const AsyncMessage& m) {
                    {
                        std::lock_guard lock(mutex);
                        words.push_back(m.lParam);
                    }
                    PostEvent(kNotified, windowThread);
                },
                std::span<const int>(&fd, 1));
            if (auto event = TakeEvent(); event == kStop) return;
        }
    });
    while (TakeEvent()) {
    }
    SocketHandle s = socket();
    ASSERT_EQ(dispatcher.AsyncSelect(s, kMessage, kAllEvents), 0);
    connect(s, port.Address());
    int peer = port.Accept();
    EXPECT_EQ(WaitEvent(std::chrono::milliseconds(loopback::kWaitMs)), kNotified);
    ::close(peer);
    PostEvent(kStop, callback.number);
    callback.thread.join();
    closesocket(s);
    while (TakeEvent()) {
    }
    std::lock_guard lock(mutex);
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(words[0], FD_CONNECT);
}

TEST(AsyncSelect, SocketsComeAndGoWhileTheLoopRuns) {
    AsyncDispatcher dispatcher;
    LoopbackPort port;
    std::atomic<bool> stop{false};
    std::atomic<int> delivered{0};
    std::thread loop([&] {
        while (!stop) dispatcher.PollOnce(100, [&](const AsyncMessage&) { ++delivered; });
    });
    for (int round = 0; round < 20; ++round) {
        SocketHandle s = socket();
        dispatcher.AsyncSelect(s, kMessage + round, kAllEvents);
        connect(s, port.Address());
        int peer = port.Accept();
        ::send(peer, "x", 1, 0);
        ::close(peer);
        closesocket(s);  // whatever was due for it may arrive late or not at all
    }
    stop = true;
    dispatcher.Wake();
    loop.join();
    EXPECT_EQ(dispatcher.PollOnce(0, [](const AsyncMessage&) {}), 0);  // nothing of them is left
}

}  // namespace
}  // namespace platform
