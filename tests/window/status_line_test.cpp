// The status line under the test window and the exception notes of its
// Formated rows, fed by what the window sees of its connection.
#include "netcore/net_error_str.h"
#include "test_window_fixture.h"

namespace window_test {
namespace {

class StatusLineTest : public TestWindowTest {
protected:
    StatusLineTest() { serverOverride = window::ServerAndPort{"127.0.0.1", 5020}; }
};

TEST_F(StatusLineTest, FollowsTheOpenAndNamesTheExceptionOnItsRow) {
    StartWindow();
    EXPECT_EQ(host.Status(), "Closed");
    host.Advance(8);
    host.Press("BOpen");
    EXPECT_EQ(host.Status(), "Connecting to 127.0.0.1:5020");
    Connected();
    EXPECT_EQ(host.Status(), "Open to 127.0.0.1:5020 since 14:05:00");

    host.SelectTab("Tab_VMem");
    host.Enter("VMemAddr", "30000");
    host.Press("BRequestVMem");
    host.Advance(8);
    Reply("00 01 00 00 00 03 01 83 02");
    EXPECT_EQ(host.Status(),
              "Open to 127.0.0.1:5020 since 14:05:00; last exception 02 Illegal Data Address at 14:05:00, answering "
              "request 1 (function 3, address 30000, quantity 1)");
    EXPECT_EQ(host.RowNotes("LFormatted"), std::vector<std::string>{"Exception 02 Illegal Data Address"});

    host.Advance(304);  // sent again on every tick (the last at 3.04 s), never answered
    EXPECT_NE(host.Status().find("since 14:05:00, no reply for 3 s;"), std::string::npos) << host.Status();
}

TEST_F(StatusLineTest, AnOpenThatEndedBetweenTwoLooksStillNamesItsTarget) {
    StartWindow();
    connection->OpenFlag = 1;  // opened and told so before the window looked again
    Connected();
    EXPECT_EQ(host.Status(), "Open to 127.0.0.1:5020 since 14:05:00");
}

TEST_F(StatusLineTest, ARefusedOpenShowsTheLibrarysTextWhileRequestsWait) {
    StartWindow();
    host.SelectTab("Tab_Inputs");
    host.Press("BRequestInputs");
    host.Advance(8);  // the tick finds the connection closed and opens it
    connection->Deliver(NET::SimpleAsyncOpenFailed, {}, 10061);
    host.Pump();
    EXPECT_EQ(host.Status(), "127.0.0.1:5020 refused or unreachable, retrying: " + NetErrorStr(10061));
    host.Press("BClose");  // the timer stops: nothing retries
    EXPECT_EQ(host.Status(), "127.0.0.1:5020 refused or unreachable: " + NetErrorStr(10061));
}

}  // namespace
}  // namespace window_test
