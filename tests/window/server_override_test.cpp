// A run that connects to a server of its own (the embedded simulator): the
// window shows and opens that server, and the user's stored server survives.
#include "test_window_fixture.h"

namespace window_test {
namespace {

constexpr const char* kStored =
    "[Test]\nTimerValue=8\nServer=plc.plant.example\nPort=1502\nAfterSendPauseValue=20\nSendAllTimerValue=50\n";

TEST_F(TestWindowTest, GivenServerIsShownAndOpened) {
    WriteSettings(kStored);
    serverOverride = window::ServerAndPort{"127.0.0.1", 5020};
    StartWindow();
    EXPECT_EQ(host.Shows("Server"), "127.0.0.1");
    EXPECT_EQ(host.Shows("Port"), "5020");
    host.Advance(8);
    host.Press("BOpen");
    ASSERT_EQ(connection->opens.size(), 1u);
    EXPECT_EQ(connection->opens[0].server, "127.0.0.1");
    EXPECT_EQ(connection->opens[0].port, 5020);
}

TEST_F(TestWindowTest, ExitKeepsTheStoredServerAndSavesTheRest) {
    WriteSettings("; mine\n" + std::string(kStored));
    serverOverride = window::ServerAndPort{"127.0.0.1", 41234};
    StartWindow();
    host.Advance(8);
    host.Enter("AfterSendPauseValue", "35");
    host.Spin("SendAllTimerValue", 70);
    // Even a server typed during this run is the run's, not the user's stored one.
    host.Enter("Server", "elsewhere.example");
    host.Enter("Port", "503");
    host.Press("BExit");
    EXPECT_EQ(SettingsText(),
              "; mine\n[Test]\nTimerValue=8\nServer=plc.plant.example\nPort=1502\nAfterSendPauseValue=35\n"
              "SendAllTimerValue=70\n");
}

TEST_F(TestWindowTest, FirstRunWithAGivenServerStoresTheDefaults) {
    serverOverride = window::ServerAndPort{"127.0.0.1", 5020};
    StartWindow();
    host.Advance(8);
    host.CloseBox();
    EXPECT_EQ(SettingsText(),
              "[Test]\nTimerValue=8\nServer=IP Address / Name\nPort=502\nAfterSendPauseValue=20\n"
              "SendAllTimerValue=50\n");
}

TEST_F(TestWindowTest, WithoutAGivenServerTheShownOneIsStored) {
    WriteSettings(kStored);
    StartWindow();
    EXPECT_EQ(host.Shows("Server"), "plc.plant.example");
    host.Advance(8);
    host.Enter("Port", "503");
    host.Press("BExit");
    EXPECT_NE(SettingsText().find("Server=plc.plant.example\nPort=503\n"), std::string::npos);
}

}  // namespace
}  // namespace window_test
