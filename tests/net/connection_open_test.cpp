// Opening a connection: asynchronous and blocking, by address and by name,
// and the ways an open fails.
#include "engine_fixture.h"
#include "netcore/net_codes.h"

namespace engine_test {
namespace {

using ::testing::HasSubstr;

using ConnectionOpenTest = EngineTest;

TEST_F(ConnectionOpenTest, AnAsynchronousOpenByAddressReportsTheConnectThroughProcess) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    c.Open("127.0.0.1   ", peer.Port());
    EXPECT_EQ(c.Error, 0);
    EXPECT_EQ(c.OpenFlag, 0);
    EXPECT_EQ(c.AsyncOpenBusy, 1);
    EXPECT_EQ(c.Connection_.Server.View(), "127.0.0.1");
    ASSERT_TRUE(PumpUntil(c, [&] { return !c.told.empty(); }));
    ASSERT_EQ(c.told.size(), 1u);
    EXPECT_EQ(c.told[0].what, "Process");
    EXPECT_EQ(c.told[0].packetType, NET::SimpleAsyncOpenSuccessful);
    EXPECT_EQ(c.OpenFlag, 1);
    EXPECT_EQ(c.AsyncOpenBusy, 0);
    EXPECT_EQ(c.Packet.FromIP.View(), "127.0.0.1");
    EXPECT_EQ(c.Connection_.LocalIP.View(), "127.0.0.1");

    const int far = peer.Accept();
    ASSERT_GE(far, 0);
    c.SendBytes("ping");
    EXPECT_EQ(c.Error, 0);
    EXPECT_EQ(LoopbackPeer::Read(far, 4), "ping");
}

TEST_F(ConnectionOpenTest, ABlockingOpenIsOpenOnReturnAndStoresNoConnectPacket) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);
    EXPECT_EQ(c.AsyncOpenBusy, 0);
    EXPECT_NE(c.Connection_.Socket, 0);
    EXPECT_EQ(c.Connection_.LocalIP.View(), "127.0.0.1");

    ASSERT_TRUE(LoopbackPeer::Write(far, "pong"));
    ASSERT_TRUE(PumpUntil(c, [&] { return c.ReceivedData() == "pong"; }));
    EXPECT_EQ(c.Count("Process", NET::SimpleAsyncOpenSuccessful), 0u);
    EXPECT_EQ(c.told.size(), 1u);
}

TEST_F(ConnectionOpenTest, AnOpenByNameLooksTheNameUpInTheBackground) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    c.Open("localhost", peer.Port());
    EXPECT_EQ(c.Error, 0);
    EXPECT_EQ(c.AsyncOpenBusy, 1);
    EXPECT_EQ(c.Connection_.Socket, 0);  // learnt with the connect packet
    ASSERT_TRUE(PumpUntil(c, [&] { return !c.told.empty(); }));
    EXPECT_EQ(c.told[0].packetType, NET::SimpleAsyncOpenSuccessful);
    EXPECT_EQ(c.OpenFlag, 1);
    EXPECT_NE(c.Connection_.Socket, 0);
    EXPECT_EQ(c.Connection_.Internal_.IP, static_cast<int32_t>(htonl(INADDR_LOOPBACK)));

    const int far = peer.Accept();
    ASSERT_GE(far, 0);
    c.SendBytes("by name");
    EXPECT_EQ(LoopbackPeer::Read(far, 7), "by name");
}

TEST_F(ConnectionOpenTest, ANameThatDoesNotResolveEndsInTheErrorTrapWithTheLookupsCode) {
    RecordingConnection c;
    Prepare(c);
    c.Open("no-such-host.invalid", 502);
    EXPECT_EQ(c.Error, 0);
    ASSERT_TRUE(PumpUntil(c, [&] { return c.Count("ErrorTrap") == 1; }));
    EXPECT_EQ(c.Error, NET::kOpenTimeout);
    EXPECT_EQ(c.WinSockError, platform::WSAHOST_NOT_FOUND);
    EXPECT_EQ(c.told[0].text,
              "The requested connection could not be opened. The Open command timed out or failed to connect");
    EXPECT_EQ(c.OpenFlag, 0);
    EXPECT_EQ(c.AsyncOpenBusy, 0);
    EXPECT_EQ(ClientRecords(), 0u);  // the second phase run by the object removed it
    EXPECT_THAT(c.ErrorString.Str(), HasSubstr("The error number was -53"));
}

TEST_F(ConnectionOpenTest, ARefusedConnectGivesPacketEightWithThePlatformsCode) {
    LoopbackPeer closedPort(false);
    RecordingConnection c;
    Prepare(c);
    c.Open("127.0.0.1", closedPort.Port());
    EXPECT_EQ(c.Error, 0);
    ASSERT_TRUE(PumpUntil(c, [&] { return c.Count("ErrorTrap") == 1; }));
    EXPECT_EQ(c.Packet.PacketType, NET::SimpleAsyncOpenFailed);
    EXPECT_EQ(c.Packet.NetError, 0);
    EXPECT_EQ(c.Packet.WinSockError, platform::WSAECONNREFUSED);
    EXPECT_EQ(c.Error, NET::kOpenTimeout);
    EXPECT_EQ(c.WinSockError, platform::WSAECONNREFUSED);
    EXPECT_EQ(c.OpenFlag, 0);
    EXPECT_EQ(ClientRecords(), 0u);

    // A new open is accepted after the failure.
    LoopbackPeer peer;
    c.Open("127.0.0.1", peer.Port());
    EXPECT_EQ(c.Error, 0);
    ASSERT_TRUE(PumpUntil(c, [&] { return c.OpenFlag == 1; }));
}

TEST_F(ConnectionOpenTest, ABlockingOpenThatIsRefusedFailsAtOnce) {
    LoopbackPeer closedPort(false);
    RecordingConnection c;
    Prepare(c);
    c.AsyncOpenUse = 0;
    c.Open("127.0.0.1", closedPort.Port());
    EXPECT_EQ(c.Error, platform::WSAECONNREFUSED);
    EXPECT_EQ(c.OpenFlag, 0);
    EXPECT_EQ(c.told.size(), 1u);
    EXPECT_EQ(c.told[0].text, "Unable to Open Connection");
    EXPECT_EQ(ClientRecords(), 0u);
}

TEST_F(ConnectionOpenTest, AnOpenThatNeverConnectsTimesOutAtTheFirstTickAtOrAfterItsTimeOut) {
    LogLibrary();
    // A listener whose accept queue is full drops further connection attempts.
    LoopbackPeer full(true, 0);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(full.Port());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers.push_back(fd);
    }
    std::this_thread::sleep_for(
        std::chrono::milliseconds(50));  // lets the fillers' handshakes finish; not a timing assertion

    RecordingConnection c;
    Prepare(c);
    c.Open("127.0.0.1", full.Port());
    ASSERT_EQ(c.Error, 0);
    for (int second = 1; second <= 11; ++second) Tick();
    while (auto event = platform::TakeEvent()) c.TakeEvent(*event);
    EXPECT_EQ(c.Count("ErrorTrap"), 0u) << "timed out before 12 seconds";
    EXPECT_EQ(c.AsyncOpenBusy, 1);

    Tick();
    ASSERT_TRUE(PumpUntil(c, [&] { return c.Count("ErrorTrap") == 1; }));
    EXPECT_EQ(c.Error, NET::kOpenTimeout);
    EXPECT_EQ(c.Packet.PacketType, NET::SimpleAsyncOpenFailed);
    EXPECT_EQ(c.Packet.WinSockError, 0);
    EXPECT_EQ(c.OpenFlag, 0);
    EXPECT_EQ(c.AsyncOpenBusy, 0);
    EXPECT_TRUE(capture.Contains("Error! TimeOut occurred while trying to connect to 127.0.0.1:" +
                                 std::to_string(full.Port())));
    EXPECT_EQ(ClientRecords(), 0u);
    for (int fd : fillers) ::close(fd);
}

TEST_F(ConnectionOpenTest, OpeningTwiceIsRefusedAndLeavesTheFirstConnectionAlone) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);
    const int32_t sockID = c.Connection_.SockID;

    c.Open("127.0.0.1", peer.Port());
    EXPECT_EQ(c.Error, NET::kAlreadyOpen);
    ASSERT_EQ(c.Count("ErrorTrap"), 1u);
    EXPECT_EQ(c.told[0].text, "The client connection could not be opened because the connection was already open");
    EXPECT_EQ(c.OpenFlag, 1);
    EXPECT_EQ(c.Connection_.SockID, sockID);
    c.SendBytes("still here");
    EXPECT_EQ(c.Error, 0);
    EXPECT_EQ(LoopbackPeer::Read(far, 10), "still here");
}

TEST_F(ConnectionOpenTest, AnAbortDuringABackgroundLookupCancelsItAndStoresNothing) {
    LogLibrary("/netdlllogall");
    ASSERT_EQ(LoadWindow(), 0);
    RecordingConnection c;
    Prepare(c);
    {
        // Holding the lock keeps the lookup's answer from being handled in between.
        NetCriticalHold hold;
        c.Open("localhost", 1);
        ASSERT_EQ(c.Error, 0);
        ASSERT_EQ(c.AsyncOpenBusy, 1);
        EXPECT_EQ(NetMemory.CountSimpleAsyncDNS, 1);
        c.Abort();
        EXPECT_EQ(c.Error, 0);
        EXPECT_EQ(NetMemory.CountSimpleAsyncDNS, 0);
        EXPECT_EQ(qSimpleClientSockets.Count(), 0u);
    }
    EXPECT_EQ(c.AsyncOpenBusy, 0);
    EXPECT_EQ(c.OpenFlag, 0);
    EXPECT_TRUE(capture.Contains("Had to stop the Asynchronous DNS lookup. DNSHandle = "));

    // The next open's connect packet is the first thing the object hears.
    LoopbackPeer peer;
    c.Open("127.0.0.1", peer.Port());
    ASSERT_TRUE(PumpUntil(c, [&] { return !c.told.empty(); }));
    EXPECT_EQ(c.told[0].packetType, NET::SimpleAsyncOpenSuccessful);
    EXPECT_EQ(StoredPackets(), 0u);
}

TEST_F(ConnectionOpenTest, TheThousandAndFirstClientSocketFailsWithMinus29AndIsClosed) {
    LogLibrary("/netdlllogerrors");
    LoopbackPeer peer(true, 2000);
    ASSERT_EQ(LoadWindow(), 0);
    std::vector<NET::SimpleConnectionType> connections(1001);
    for (int i = 0; i < 1000; ++i) {
        connections[static_cast<std::size_t>(i)].Server = "127.0.0.1";
        connections[static_cast<std::size_t>(i)].Port = peer.Port();
        connections[static_cast<std::size_t>(i)].NotifyThread = platform::ThisThread();
        ASSERT_EQ(NetSimpleOpen(connections[static_cast<std::size_t>(i)]), 0) << "open " << i;
    }
    EXPECT_EQ(ClientRecords(), 1000u);
    const long before = OpenDescriptors();
    auto& last = connections[1000];
    last.Server = "127.0.0.1";
    last.Port = peer.Port();
    EXPECT_EQ(NetSimpleOpen(last), NET::kTooManySendingSockets);
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(ClientRecords(), 1000u);
    EXPECT_TRUE(capture.Contains("SimpleClientOpenB() : ERROR: Exceeded Maximum Simple Client Sockets."));
}

TEST_F(ConnectionOpenTest, OpenAndSendBeforeInitAreRefusedWithMinus60) {
    RecordingConnection c;
    c.Open("127.0.0.1", 502);
    EXPECT_EQ(c.Error, NET::kInitNotCalled);
    c.SendBytes("x");
    EXPECT_EQ(c.Error, NET::kInitNotCalled);
    ASSERT_EQ(c.Count("ErrorTrap"), 2u);
    EXPECT_EQ(c.told[1].text,
              "The NetSimple object's Init() method was not called before the Open() method was called");
}

}  // namespace
}  // namespace engine_test
