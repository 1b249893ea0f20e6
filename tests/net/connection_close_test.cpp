// Closing a connection: the two-phase local close, a new open straight after
// a close, the abort, and the closing check that finishes what never closed.
#include "engine_fixture.h"
#include "netcore/net_codes.h"

namespace engine_test {
namespace {

using ConnectionCloseTest = EngineTest;

TEST_F(ConnectionCloseTest, ALocalCloseShutsTheSendingSideAndForgetsTheConnection) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);
    c.SendBytes("bye");
    c.Close();
    EXPECT_EQ(c.Error, 0);
    EXPECT_EQ(c.OpenFlag, 0);
    EXPECT_EQ(LoopbackPeer::Read(far, 3), "bye");
    EXPECT_TRUE(LoopbackPeer::SeesClose(far));
    peer.Close(far);
    ASSERT_TRUE(PumpUntil(c, [&] { return ClientRecords() == 0; }));
    EXPECT_EQ(c.Count("ConnectionClosed"), 0u);
    EXPECT_EQ(c.Count("ErrorTrap"), 0u);
    EXPECT_EQ(c.Count("Process"), 0u);
}

TEST_F(ConnectionCloseTest, ACloseWhilePacketsWaitRunsOnceTheLastPacketIsWritten) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);
    std::string expected;
    for (int i = 0; i < 400; ++i) {
        const std::string packet(NET::MaxBinData, static_cast<char>('a' + i % 26));
        c.SendBytes(packet);
        expected += packet;
    }
    c.GetInfo(1, 0, 0);
    ASSERT_GT(c.OutgoingDLLPackets, 0) << "the socket should have filled up";
    c.Close();
    EXPECT_EQ(c.Error, 0);
    EXPECT_EQ(LoopbackPeer::Read(far, expected.size()), expected);
    EXPECT_TRUE(LoopbackPeer::SeesClose(far));
    peer.Close(far);
    ASSERT_TRUE(PumpUntil(c, [&] { return ClientRecords() == 0; }));
}

TEST_F(ConnectionCloseTest, PhaseTwoBeforePhaseOneIsRefusedWithMinus22AndChangesNothing) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);
    EXPECT_EQ(NetSimpleClose(c.Connection_, c.Connection_.Socket, c.Connection_.SockID, NET::SimpleClosePhaseTwo),
              NET::kBadParameters);
    EXPECT_EQ(ClientRecords(), 1u);
    c.SendBytes("fine");
    EXPECT_EQ(c.Error, 0);
    EXPECT_EQ(LoopbackPeer::Read(far, 4), "fine");
}

TEST_F(ConnectionCloseTest, ANewOpenRightAfterACloseSkipsTheOldSecondPhaseAndTheClosingCheckCleansUp) {
    LogLibrary();
    LoopbackPeer first;
    LoopbackPeer second;
    RecordingConnection c;
    Prepare(c);
    const int oldFar = OpenBlocking(c, first);
    ASSERT_GE(oldFar, 0);
    const int32_t oldSockID = c.Connection_.SockID;
    c.Close();
    const int newFar = OpenBlocking(c, second);  // before the old connection's close packet was handled
    ASSERT_GE(newFar, 0);
    EXPECT_EQ(c.IgnorePhaseTwo_, 1);
    EXPECT_GT(c.Connection_.SockID, oldSockID);

    // The old peer answers the close; the old record then waits for the clean-up.
    EXPECT_TRUE(LoopbackPeer::SeesClose(oldFar));
    first.Close(oldFar);
    ASSERT_TRUE(LoopbackPeer::Write(newFar, "new"));
    ASSERT_TRUE(PumpUntil(c, [&] { return c.ReceivedData() == "new"; }));
    EXPECT_EQ(c.OpenFlag, 1);
    EXPECT_EQ(c.Count("ErrorTrap"), 0u);
    EXPECT_EQ(ClientRecords(), 2u);

    Tick(NetMemory.SimpleClosingSocketsInterval);
    for (int tick = 0; tick < 25 && ClientRecords() == 2; ++tick) Tick();
    EXPECT_EQ(ClientRecords(), 1u);
    EXPECT_TRUE(capture.Contains("Closing State on Client Socket has expired. Will run 2nd Phase close on Socket = "));

    c.SendBytes("still open");
    EXPECT_EQ(c.Error, 0);
    EXPECT_EQ(LoopbackPeer::Read(newFar, 10), "still open");
}

TEST_F(ConnectionCloseTest, AnAbortClosesAtOnceAndNothingFollows) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);
    ASSERT_TRUE(LoopbackPeer::Write(far, "unread"));
    ASSERT_TRUE(platform::WaitEvent(std::chrono::milliseconds(kWaitMs)).has_value());  // a data packet is stored
    c.Abort();
    EXPECT_EQ(c.Error, 0);
    EXPECT_EQ(c.OpenFlag, 0);
    EXPECT_EQ(ClientRecords(), 0u);
    EXPECT_EQ(StoredPackets(), 0u);
    EXPECT_FALSE(LoopbackPeer::Write(far, std::string(1 << 20, 'x')));  // the peer sees the connection reset
    EXPECT_EQ(c.Count("Process"), 0u);
}

TEST_F(ConnectionCloseTest, CloseOrAbortWhileNotOpenOnlyWarn) {
    RecordingConnection c;
    Prepare(c);
    c.Close();
    c.Abort();
    EXPECT_EQ(c.Error, 0);
    EXPECT_TRUE(c.told.empty());
}

TEST_F(ConnectionCloseTest, KillClosesAnOpenConnectionAndReleasesTheEventNumbers) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);
    const int32_t event = c.Connection_.NotifyEvent;
    c.Kill();
    EXPECT_EQ(c.OpenFlag, 0);
    EXPECT_EQ(c.Connection_.NotifyThread, 0);
    EXPECT_TRUE(LoopbackPeer::SeesClose(far));
    RecordingConnection next;
    Prepare(next);
    EXPECT_NE(next.Connection_.NotifyEvent, event);  // released numbers come back only when the others are used up
}

}  // namespace
}  // namespace engine_test
