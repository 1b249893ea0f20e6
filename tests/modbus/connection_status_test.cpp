// The status line's model: each connection state, the exception named with
// the request it answered, and the no-reply count on a ManualClock.
#include "modbus/connection_status.h"

#include <gtest/gtest.h>

#include "modbus/requests.h"
#include "modbus_bench.h"
#include "net/connection/net_simple.h"
#include "netcore/net_error_str.h"

namespace modbus_test {
namespace {

using State = ConnectionStatus::State;

class ConnectionStatusTest : public ::testing::Test {
protected:
    /// Connecting to 127.0.0.1:5020, then the engine's open report at 09:30:15.
    void Open() {
        status.Connecting("127.0.0.1", 5020);
        bench.clock.SetTimeOfDay(testsupport::At(9, 30, 15));
        status.TakePacket(NET::SimpleAsyncOpenSuccessful, 0, 0);
    }
    /// A V-memory read of `address` answered by `reply` (hex, as on the wire).
    const CommsRow& Answered(int16_t address, std::string_view reply) {
        bench.data.VMemAddr = address;
        rRequestVMem(bench.data);
        bench.Connect();
        bench.Tick();
        bench.connection.Receive(reply);
        return bench.Row(static_cast<uint16_t>(bench.data.Gti));
    }

    Bench bench;
    ConnectionStatus status;
};

TEST_F(ConnectionStatusTest, ClosedThenConnectingThenOpenSinceTheOpenReport) {
    EXPECT_EQ(status.Text(), "Closed");
    status.Connecting("127.0.0.1", 5020);
    EXPECT_EQ(status.Text(), "Connecting to 127.0.0.1:5020");
    Open();
    EXPECT_EQ(status.Current(), State::Open);
    EXPECT_EQ(status.Text(), "Open to 127.0.0.1:5020 since 09:30:15");
}

TEST_F(ConnectionStatusTest, RefusedOpenShowsTheLibrarysTextAndRetriesWhileRequestsWait) {
    status.Connecting("127.0.0.1", 5020);
    status.TakePacket(NET::SimpleAsyncOpenFailed, 0, 10061);
    status.SeeRequests(false, false);
    const std::string refused = "127.0.0.1:5020 refused or unreachable: (WSAECONNREFUSED) Connection refused.";
    EXPECT_EQ(status.Text().substr(0, refused.size()), refused);
    status.SeeRequests(false, true);
    EXPECT_NE(status.Text().find("unreachable, retrying: (WSAECONNREFUSED)"), std::string::npos);
    status.Connecting("127.0.0.1", 5020);  // the next attempt keeps saying why the last one failed
    EXPECT_NE(status.Text().find("retrying: (WSAECONNREFUSED)"), std::string::npos);
    status.TakePacket(NET::SimpleAsyncOpenFailed, -53, 0);  // timed out: the library's own text
    EXPECT_EQ(status.Current(), State::Failed);
    EXPECT_NE(status.Text().find(NetErrorStr(-53)), std::string::npos);
}

TEST_F(ConnectionStatusTest, ClosedHereByThePeerOrForIdlenessSaysSo) {
    Open();
    status.TakePacket(NET::SimpleRemoteClosed, 0, 10054);
    EXPECT_EQ(status.Text(), "Closed by 127.0.0.1:5020: " + NetErrorStr(10054));
    Open();
    status.TakePacket(NET::SimpleIdleConnection, 0, 0);
    EXPECT_EQ(status.Text(), "Closed: the connection was idle");
    Open();
    status.NotOpen();  // the Close button, or an abort without a packet
    EXPECT_EQ(status.Text(), "Closed");
    status.TakePacket(NET::SimpleLocalClosed, 0, 0);  // a late report changes nothing
    EXPECT_EQ(status.Current(), State::Closed);
}

TEST_F(ConnectionStatusTest, NoReplyCountsWholeSecondsFromTheFirstUnansweredLook) {
    Open();
    status.SeeRequests(true, true);
    bench.clock.Advance(250);
    EXPECT_EQ(status.SecondsWithoutReply(), 2);
    EXPECT_EQ(status.Text(), "Open to 127.0.0.1:5020 since 09:30:15, no reply for 2 s");
    status.SeeRequests(true, true);  // still waiting: the count goes on
    bench.clock.Advance(100);
    EXPECT_EQ(status.SecondsWithoutReply(), 3);
    status.TookReply(CommsRow{});  // an answer starts the count again
    status.SeeRequests(true, true);
    bench.clock.Advance(99);
    EXPECT_EQ(status.Text(), "Open to 127.0.0.1:5020 since 09:30:15");
    status.SeeRequests(false, true);
    bench.clock.Advance(1000);
    EXPECT_EQ(status.SecondsWithoutReply(), 0);
}

TEST_F(ConnectionStatusTest, AnExceptionIsNamedWithTheRequestItAnswered) {
    Open();
    bench.clock.SetTimeOfDay(testsupport::At(9, 31, 2));
    const CommsRow& row = Answered(30000, "00 01 00 00 00 03 01 83 02");
    EXPECT_EQ(ExceptionNote(row), "Exception 02 Illegal Data Address");
    status.TookReply(row);
    EXPECT_EQ(status.Text(),
              "Open to 127.0.0.1:5020 since 09:30:15; last exception 02 Illegal Data Address at 09:31:02, answering "
              "request 1 (function 3, address 30000, quantity 1)");
}

TEST_F(ConnectionStatusTest, NormalRepliesCarryNoNoteAndKeepTheLastException) {
    Open();
    status.TookReply(Answered(2, "00 01 00 00 00 03 01 83 0B"));
    const CommsRow& normal = Answered(3, "00 02 00 00 00 05 01 03 02 00 07");
    EXPECT_EQ(ExceptionNote(normal), "");
    status.TookReply(normal);
    EXPECT_NE(status.ExceptionText().find("0B Gateway Target Device Failed to Respond"), std::string::npos);
    EXPECT_EQ(ExceptionNote(CommsRow{}), "");
}

}  // namespace
}  // namespace modbus_test
