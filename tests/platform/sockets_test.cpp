#include "platform/sockets.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <future>
#include <thread>
#include <vector>

#include "loopback.h"

namespace platform {
namespace {

using loopback::LoopbackPort;

TEST(WinsockErrors, OneTableForErrnoAndResolver) {
    EXPECT_EQ(WinsockErrorFromErrno(0), 0);
    EXPECT_EQ(WinsockErrorFromErrno(EAGAIN), WSAEWOULDBLOCK);
    EXPECT_EQ(WinsockErrorFromErrno(EINPROGRESS), 10035);
    EXPECT_EQ(WinsockErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(WinsockErrorFromErrno(ECONNABORTED), 10053);
    EXPECT_EQ(WinsockErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(WinsockErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(WinsockErrorFromErrno(EBADF), 10038);
    EXPECT_EQ(WinsockErrorFromErrno(ENOTSOCK), 10038);
    EXPECT_EQ(WinsockErrorFromErrno(EPIPE), WSAESHUTDOWN);
    EXPECT_EQ(WinsockErrorFromErrno(EDOM), WSASYSCALLFAILURE);  // no socket meaning
    EXPECT_EQ(WinsockErrorFromResolver(EAI_NONAME, 0), 11001);
    EXPECT_EQ(WinsockErrorFromResolver(EAI_AGAIN, 0), 11002);
    EXPECT_EQ(WinsockErrorFromResolver(EAI_FAIL, 0), 11003);
    EXPECT_EQ(WinsockErrorFromResolver(EAI_SYSTEM, ECONNREFUSED), 10061);
}

TEST(WinsockErrors, LastErrorBelongsToTheCallingThread) {
    WSASetLastError(10061);
    std::thread other([] {
        EXPECT_EQ(WSAGetLastError(), 0);
        WSASetLastError(10054);
    });
    other.join();
    EXPECT_EQ(WSAGetLastError(), 10061);
}

TEST(InetText, DottedAddressesParseAndEverythingElseIsNone) {
    EXPECT_EQ(inet_addr("127.0.0.1"), htonl(0x7f000001));
    EXPECT_EQ(inet_addr("192.168.1.200   "), htonl(0xc0a801c8));  // a blank-padded field
    EXPECT_EQ(inet_addr("0.0.0.0"), 0u);
    EXPECT_EQ(inet_addr("255.255.255.255"), 0xffffffffu);  // all ones, like a name
    for (const char* text : {"plc.example", "", " ", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.4x", "1..2.3",
                             "-1.2.3.4", "1.2.3.0004", "0x7f.0.0.1", " 1.2.3.4"}) {
        EXPECT_EQ(inet_addr(text), INADDR_NONE_VALUE) << '"' << text << '"';
    }
    EXPECT_EQ(inet_ntoa(htonl(0x7f000001)), "127.0.0.1");
    EXPECT_EQ(inet_ntoa(0xffffffffu), "255.255.255.255");
    EXPECT_EQ(inet_ntoa(inet_addr("10.20.30.40")), "10.20.30.40");
}

TEST(WinsockStartup, NegotiatesVersionsAndCountsStarts) {
    WSAData data;
    ASSERT_EQ(WSAStartup(2, 0, data), 0);
    EXPECT_EQ(data.VersionMajor, 2);
    EXPECT_EQ(data.VersionMinor, 0);
    EXPECT_EQ(data.HighMajor, 2);
    EXPECT_EQ(data.HighMinor, 2);
    ASSERT_EQ(WSAStartup(3, 0, data), 0);
    EXPECT_EQ(data.VersionMajor * 10 + data.VersionMinor, 22);  // the highest on offer
    EXPECT_EQ(WSAStartup(1, 0, data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(WinsockStartCount(), 2);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(WSACleanup(), 0);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
}

TEST(WinsockStartup, AnOlderOrMissingLayerAnswersAsWindowsWould) {
    WSAData data;
    SetOfferedWinsockVersion(1, 1);
    EXPECT_EQ(WSAStartup(2, 0, data), 0);
    EXPECT_EQ(data.VersionMajor * 10 + data.VersionMinor, 11);
    EXPECT_EQ(WSACleanup(), 0);
    SetOfferedWinsockVersion(0, 0);
    EXPECT_EQ(WSAStartup(2, 0, data), WSASYSNOTREADY);
    EXPECT_EQ(WSAStartup(1, 1, data), WSASYSNOTREADY);
    SetOfferedWinsockVersion(2, 2);
    EXPECT_EQ(WinsockStartCount(), 0);
}

TEST(Sockets, BlockingConnectReachesTheListenerAndKnowsItsLocalAddress) {
    LoopbackPort port;
    SocketHandle s = socket();
    ASSERT_GT(s, 0);
    ASSERT_EQ(connect(s, port.Address()), 0);
    int peer = port.Accept();
    ASSERT_GE(peer, 0);
    SockAddrIn local;
    ASSERT_EQ(getsockname(s, local), 0);
    EXPECT_EQ(local.sin_family, 2);
    EXPECT_EQ(inet_ntoa(local.sin_addr), "127.0.0.1");
    EXPECT_NE(local.sin_port, 0);

    EXPECT_EQ(send(s, "PING", 4), 4);
    char buffer[8] = {};
    EXPECT_EQ(::recv(peer, buffer, sizeof buffer, 0), 4);
    EXPECT_EQ(std::string(buffer, 4), "PING");
    ::close(peer);
    EXPECT_EQ(closesocket(s), 0);
}

TEST(Sockets, RefusedBlockingConnectGivesItsCode) {
    LoopbackPort closed(false);
    SocketHandle s = socket();
    EXPECT_EQ(connect(s, closed.Address()), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
    closesocket(s);
}

TEST(Sockets, HandlesThatAreNoSocketsGiveNotASocket) {
    SocketHandle s = socket();
    ASSERT_EQ(closesocket(s), 0);
    EXPECT_EQ(closesocket(s), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(closesocket(0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), 10038);
    EXPECT_EQ(send(s, "x", 1), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), 10038);
    char byte;
    EXPECT_EQ(recv(s, &byte, 1), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), 10038);
    EXPECT_EQ(shutdown(s, SD_SEND), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), 10038);
}

TEST(Sockets, ShutdownOfTheSendingSideEndsThePeersStream) {
    LoopbackPort port;
    SocketHandle s = socket();
    ASSERT_EQ(connect(s, port.Address()), 0);
    int peer = port.Accept();
    EXPECT_EQ(shutdown(s, 7), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    ASSERT_EQ(shutdown(s, SD_SEND), 0);
    char byte;
    EXPECT_EQ(::recv(peer, &byte, 1, 0), 0);
    EXPECT_EQ(send(s, "x", 1), SOCKET_ERROR);  // and no SIGPIPE
    EXPECT_EQ(WSAGetLastError(), WSAESHUTDOWN);
    ::close(peer);
    closesocket(s);
}

TEST(Sockets, GracefulLingerKeepsTheCloseOrderly) {
    LoopbackPort port;
    SocketHandle s = socket();
    ASSERT_EQ(connect(s, port.Address()), 0);
    int peer = port.Accept();
    ASSERT_EQ(setsockopt(s, WS_SOL_SOCKET, WS_SO_LINGER, Linger{1, 3}), 0);
    linger set{};
    socklen_t length = sizeof set;
    ::getsockopt(s, SOL_SOCKET, SO_LINGER, &set, &length);
    EXPECT_EQ(set.l_onoff, 1);
    EXPECT_EQ(set.l_linger, 3);
    send(s, "last", 4);
    closesocket(s);
    char buffer[8];
    EXPECT_EQ(::recv(peer, buffer, sizeof buffer, 0), 4);
    EXPECT_EQ(::recv(peer, buffer, sizeof buffer, 0), 0);  // then an orderly end
    ::close(peer);
}

TEST(Sockets, LingeringCloseOfANonBlockingSocketDoesNotWaitForThePeer) {
    LoopbackPort port;
    SocketHandle s = socket();
    ASSERT_EQ(connect(s, port.Address()), 0);
    int peer = port.Accept();
    ::fcntl(s, F_SETFL, ::fcntl(s, F_GETFL) | O_NONBLOCK);
    std::vector<char> chunk(65536, 'x');
    int64_t sent = 0;
    for (int32_t n; (n = send(s, chunk.data(), static_cast<int32_t>(chunk.size()))) > 0;) sent += n;
    ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);  // the peer reads nothing: the data waits in the buffers
    ASSERT_EQ(setsockopt(s, WS_SOL_SOCKET, WS_SO_LINGER, Linger{1, 65535}), 0);

    auto closing = std::async(std::launch::async, [s] { return closesocket(s); });
    ASSERT_EQ(closing.wait_for(std::chrono::milliseconds(loopback::kWaitMs)), std::future_status::ready);
    EXPECT_EQ(closing.get(), 0);
    EXPECT_EQ(closesocket(s), SOCKET_ERROR) << "the handle is gone at once";

    int64_t received = 0;
    for (ssize_t n = 1; n > 0 && loopback::WaitFor(peer, POLLIN); received += std::max<ssize_t>(n, 0))
        n = ::recv(peer, chunk.data(), chunk.size(), 0);
    EXPECT_EQ(received, sent) << "every byte arrives, then the orderly end";
    ::close(peer);
}

TEST(Sockets, DontLingerWithZeroMakesTheCloseAbortive) {
    LoopbackPort port;
    SocketHandle s = socket();
    ASSERT_EQ(connect(s, port.Address()), 0);
    int peer = port.Accept();
    ASSERT_EQ(setsockopt(s, WS_SOL_SOCKET, WS_SO_DONTLINGER, Linger{0, 0}), 0);
    closesocket(s);
    ASSERT_TRUE(loopback::WaitFor(peer, POLLIN));
    char byte;
    EXPECT_EQ(::recv(peer, &byte, 1, 0), -1);
    EXPECT_EQ(errno, ECONNRESET);
    ::close(peer);
}

TEST(Sockets, OtherOptionsAreNotOffered) {
    SocketHandle s = socket();
    EXPECT_EQ(setsockopt(s, WS_SOL_SOCKET, 0x0004 /* SO_REUSEADDR */, Linger{}), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);
    EXPECT_EQ(setsockopt(s, 6, WS_SO_LINGER, Linger{}), SOCKET_ERROR);
    closesocket(s);
}

}  // namespace
}  // namespace platform
