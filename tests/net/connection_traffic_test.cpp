// Traffic on an open connection: what Send accepts, the order bytes leave
// in, received data, the peer's close and idle reports.
#include <sys/ioctl.h>

#include <thread>

#include "engine_fixture.h"
#include "netcore/net_codes.h"

namespace engine_test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

using ConnectionTrafficTest = EngineTest;

TEST_F(ConnectionTrafficTest, SendTakesOneToSixteenThousandThreeHundredEightyFourBytes) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);

    const std::string full(NET::MaxBinData, 'F');
    c.SendBytes(full);
    EXPECT_EQ(c.Error, 0);
    EXPECT_EQ(LoopbackPeer::Read(far, full.size()), full);

    c.Packet.BinDataLen = NET::MaxBinData + 1;
    c.Send();
    EXPECT_EQ(c.Error, NET::kInvalidStructureSize);
    EXPECT_EQ(c.told.back().text, "Trying to send too much data in self.packet.binData and self.packet.binDataLen");

    c.Packet.BinDataLen = 0;
    c.Send();
    EXPECT_EQ(c.Error, NET::kInvalidStructureSize);
    EXPECT_EQ(c.told.back().text, "Data length is less than or equal to zero");
    EXPECT_EQ(c.OpenFlag, 1);

    c.SendBytes("after");
    EXPECT_EQ(LoopbackPeer::Read(far, 5), "after");  // nothing of the refused packets went out
}

TEST_F(ConnectionTrafficTest, SendWhileNotOpenIsRefusedWithMinus36) {
    RecordingConnection c;
    Prepare(c);
    c.SendBytes("x");
    EXPECT_EQ(c.Error, NET::kNotOpen);
    ASSERT_EQ(c.Count("ErrorTrap"), 1u);
    EXPECT_EQ(c.told[0].text, "The connection is not open and therefore the data can not be sent.");
}

TEST_F(ConnectionTrafficTest, PacketsLargerThanTheSocketTakesLeaveWholeAndInQueueOrder) {
    LogLibrary();
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);

    // Far more than the socket buffers hold while the peer does not read.
    constexpr int kPackets = 600;
    std::string expected;
    for (int i = 0; i < kPackets; ++i) {
        std::string packet(NET::MaxBinData, static_cast<char>('A' + i % 26));
        std::memcpy(packet.data(), &i, sizeof i);
        c.SendBytes(packet);
        ASSERT_EQ(c.Error, 0) << "packet " << i;
        expected += packet;
    }
    c.GetInfo(2, 0, 0);
    EXPECT_GT(c.OutgoingDLLPackets, 0);
    EXPECT_EQ(c.OutgoingDLLPacketsBytes, c.OutgoingDLLPackets * NET::MaxBinData);
    EXPECT_TRUE(capture.Contains("WSAEWOULDBLOCK"));

    const std::string received = LoopbackPeer::Read(far, expected.size());
    ASSERT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected) << "bytes out of order or lost";
    c.GetInfo(1, 0, 0);
    EXPECT_EQ(c.OutgoingDLLPackets, 0);
    EXPECT_EQ(c.OutgoingDLLPacketsBytes, 0);
}

TEST_F(ConnectionTrafficTest, ReceivedBytesArriveAsDataPacketsWithBlanksAfterTheirLength) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);
    const std::string reply("\x00\x01\x00\x00\x00\x03\x01\x01\x00", 9);
    ASSERT_TRUE(LoopbackPeer::Write(far, reply));
    ASSERT_TRUE(PumpUntil(c, [&] { return c.ReceivedData().size() == reply.size(); }));
    EXPECT_EQ(c.ReceivedData(), reply);
    EXPECT_EQ(c.Packet.BinDataLen, 9);
    EXPECT_EQ(c.Packet.BinData.Whole().substr(9), std::string(NET::MaxBinData - 9, ' '));
    EXPECT_EQ(c.Error, 0);
}

TEST_F(ConnectionTrafficTest, APeerCloseWithDataUnreadDeliversTheDataFirstThenClosesOnce) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);
    ASSERT_TRUE(LoopbackPeer::Write(far, "last words"));
    peer.Close(far);

    ASSERT_TRUE(PumpUntil(c, [&] { return c.Count("ConnectionClosed") == 1; }));
    EXPECT_EQ(c.ReceivedData(), "last words");
    EXPECT_EQ(c.told.back().what, "ConnectionClosed");
    EXPECT_EQ(c.Count("ConnectionClosed"), 1u);
    EXPECT_EQ(c.Count("ErrorTrap"), 0u);
    EXPECT_EQ(c.Count("Process", NET::SimpleRemoteClosed), 0u);
    EXPECT_EQ(c.OpenFlag, 0);
    EXPECT_EQ(c.Error, 0);  // a graceful close carries no code
    EXPECT_EQ(ClientRecords(), 0u);
    while (auto event = platform::TakeEvent()) c.TakeEvent(*event);
    EXPECT_EQ(c.Count("ConnectionClosed"), 1u);
}

TEST_F(ConnectionTrafficTest, AStreamingPeerIsReadNoFasterThanTheObjectTakesAndNothingIsLost) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);
    std::string stream(3 * kMostStoredBytes, '\0');
    for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<char>(i * 7 + i / 65536);
    std::thread writer([&] {
        LoopbackPeer::Write(far, stream);  // blocks while the window of the TCP connection is closed
        ::shutdown(far, SHUT_WR);
    });
    auto held = [&] {
        NetCriticalHold hold;
        const SimpleRecord* record = qSimpleClientSockets.BySockID(c.Connection_.SockID);
        return record != nullptr && record->ReadHeld == 1;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!held() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);

    ASSERT_TRUE(held()) << "nothing was taken: reading stops at the bound";
    {
        NetCriticalHold hold;
        EXPECT_LE(qSimpleInData.CountOf(c.Connection_.SockID), kMostStoredPackets);
        EXPECT_LE(qSimpleInData.BytesOf(c.Connection_.SockID), kMostStoredBytes + NET::MaxBinData);
    }
    int unread = 0;
    ::ioctl(c.Connection_.Socket, FIONREAD, &unread);
    EXPECT_GT(unread, 0) << "the rest waits in the kernel";

    ASSERT_TRUE(PumpUntil(c, [&] { return c.Count("ConnectionClosed") == 1; })) << "taking resumes the reading";
    writer.join();
    EXPECT_TRUE(c.ReceivedData() == stream) << "every byte, in order";
    EXPECT_FALSE(held());
}

TEST_F(ConnectionTrafficTest, SendAfterThePeerClosedButBeforeTheClosePacketGivesMinus34) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);
    peer.Close(far);
    const auto closeEvent = platform::WaitEvent(std::chrono::milliseconds(kWaitMs));  // the packet of type 5 is stored
    ASSERT_TRUE(closeEvent.has_value());

    c.SendBytes("too late");
    EXPECT_EQ(c.Error, NET::kClientNotFound);
    EXPECT_EQ(c.OpenFlag, 0);
    ASSERT_EQ(c.Count("ErrorTrap"), 1u);
    EXPECT_EQ(c.told[0].text, "Error sending data");

    c.TakeEvent(*closeEvent);
    EXPECT_EQ(c.Count("ConnectionClosed"), 1u);
    EXPECT_EQ(ClientRecords(), 0u);
}

TEST_F(ConnectionTrafficTest, APeerResetIsReportedAsAClosedConnectionWithItsCode) {
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);
    linger hard{1, 0};
    ::setsockopt(far, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    peer.Close(far);
    ASSERT_TRUE(PumpUntil(c, [&] { return c.Count("ConnectionClosed") == 1; }));
    EXPECT_EQ(c.WinSockError, platform::WSAECONNRESET);
    EXPECT_EQ(c.Error, NET::kWinSockError);
    EXPECT_EQ(c.Count("ErrorTrap"), 0u);
}

TEST_F(ConnectionTrafficTest, IdleReportsComeAfterEachPeriodWithoutTrafficAcrossMidnight) {
    LogLibrary();
    clock.SetTimeOfDay(platform::kHundredthsPerDay - 2000);  // 20 seconds before midnight
    LoopbackPeer peer;
    RecordingConnection c;
    Prepare(c);
    c.InActiveTimeout = 4500;
    const int far = OpenBlocking(c, peer);
    ASSERT_GE(far, 0);

    Tick(4400);
    while (auto event = platform::TakeEvent()) c.TakeEvent(*event);
    EXPECT_EQ(c.Count("Process", NET::SimpleIdleConnection), 0u);
    Tick(100);
    ASSERT_TRUE(PumpUntil(c, [&] { return c.Count("Process", NET::SimpleIdleConnection) == 1; }));
    EXPECT_LT(clock.TimeOfDay(), 10000) << "the period should have spanned midnight";

    Tick(4400);
    while (auto event = platform::TakeEvent()) c.TakeEvent(*event);
    EXPECT_EQ(c.Count("Process", NET::SimpleIdleConnection), 1u);
    Tick(100);
    ASSERT_TRUE(PumpUntil(c, [&] { return c.Count("Process", NET::SimpleIdleConnection) == 2; }));
    EXPECT_EQ(c.OpenFlag, 1);  // idle connections stay open

    // Traffic starts the period again.
    Tick(4000);
    c.SendBytes("x");
    Tick(4000);
    while (auto event = platform::TakeEvent()) c.TakeEvent(*event);
    EXPECT_EQ(c.Count("Process", NET::SimpleIdleConnection), 2u);
}

}  // namespace
}  // namespace engine_test
