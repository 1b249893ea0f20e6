// The settings file as the window reads it when it opens and writes it when it closes.
#include "window/test_settings.h"

#include "platform/debug_output.h"
#include "test_window_fixture.h"
#include "window/ini_class.h"

namespace window_test {
namespace {

TEST_F(TestWindowTest, FirstRunShowsDefaultsAndExitWritesBothSections) {
    window::INIClass iniMgr;
    iniMgr.Init(dir.string() + "\\Brackwater.INI");  // the settings manager's spelling of the same file
    StartWindow();
    EXPECT_EQ(host.Shows("Server"), "IP Address / Name");
    EXPECT_EQ(host.Shows("Port"), "502");
    EXPECT_EQ(host.Shows("AfterSendPauseValue"), "0020");
    EXPECT_EQ(host.Shows("SendAllTimerValue"), "50");
    EXPECT_EQ(host.Shows("TimerValue"), "20");
    host.Advance(8);
    host.Press("BExit");
    iniMgr.Kill();
    EXPECT_EQ(SettingsText(),
              "[Test]\nTimerValue=8\nServer=IP Address / Name\nPort=502\nAfterSendPauseValue=20\n"
              "SendAllTimerValue=50\n[__Dont_Touch_Me__]\nSectors=0\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
}

TEST_F(TestWindowTest, ExitWritesWhatTheWindowHoldsWithoutTrailingBlanks) {
    WriteSettings("; kept\n[Other]\nA=1\n[Test]\nTimerValue=30\nServer=old\n");
    StartWindow();
    host.Advance(8);
    host.Enter("Server", "plc.example   ");
    host.Enter("Port", "1502");
    host.Enter("AfterSendPauseValue", "7");
    host.Spin("SendAllTimerValue", 60);
    host.Press("BExit");
    EXPECT_EQ(SettingsText(),
              "; kept\n[Other]\nA=1\n[Test]\nTimerValue=8\nServer=plc.example\nPort=1502\n"
              "AfterSendPauseValue=7\nSendAllTimerValue=60\n");
}

TEST_F(TestWindowTest, NothingIsWrittenBeforeTheWindowCloses) {
    StartWindow();
    host.Advance(100);
    host.Enter("Port", "1502");
    EXPECT_FALSE(std::filesystem::exists(settingsFile));
    host.CloseBox();  // the close box saves as well
    EXPECT_NE(SettingsText().find("Port=1502"), std::string::npos);
}

TEST_F(TestWindowTest, StoredValuesAreShownAndALongServerIsCutTo256) {
    std::string server(300, 'h');
    WriteSettings("[test]\nserver=" + server + "\nPORT=503\nAfterSendPauseValue=0\nSendAllTimerValue=100\n");
    StartWindow();
    EXPECT_EQ(host.Shows("Server"), server.substr(0, 256));
    EXPECT_EQ(host.Shows("Port"), "503");
    EXPECT_EQ(host.Shows("AfterSendPauseValue"), "0000");
    EXPECT_EQ(host.Shows("SendAllTimerValue"), "100");
    host.Press("BExit");
    EXPECT_NE(SettingsText().find("Server=" + server.substr(0, 256) + "\n"), std::string::npos);
}

// Damaged values: a text that is no whole number, or a number outside what the
// window admits, is taken as the default. A negative or huge pause can then
// never hold the window up.
TEST(TestSettings, DamagedValuesFallBackToTheirDefaults) {
    std::string pattern = (std::filesystem::temp_directory_path() / "settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    std::string file = pattern + "/Brackwater.ini";
    struct Case {
        const char* text;
        int32_t timer;
        uint16_t port;
        int32_t pause;
        int32_t sendAll;
    };
    const Case cases[] = {
        {"TimerValue=abc\nPort=70000\nAfterSendPauseValue=-5\nSendAllTimerValue=1e3\n", 20, 502, 20, 50},
        {"TimerValue=101\nPort=-1\nAfterSendPauseValue=99999999999\nSendAllTimerValue=-1\n", 20, 502, 20, 50},
        {"TimerValue= 7 \nPort=65535\nAfterSendPauseValue=9999\nSendAllTimerValue=0\n", 7, 65535, 9999, 0},
        {"TimerValue=\nPort=5 02\nAfterSendPauseValue=12ms\nSendAllTimerValue=+40\n", 20, 502, 20, 40},
    };
    for (const Case& c : cases) {
        std::ofstream(file, std::ios::binary) << "[Test]\n" << c.text;
        TestData data;
        window::ReadTestSettings(data, file);
        EXPECT_EQ(data.TimerValue, c.timer) << c.text;
        EXPECT_EQ(data.Port, c.port) << c.text;
        EXPECT_EQ(data.AfterSendPauseValue, c.pause) << c.text;
        EXPECT_EQ(data.SendAllTimerValue, c.sendAll) << c.text;
    }
    std::filesystem::remove_all(pattern);
}

TEST(TestSettings, SettingsManagerKeepsItsCount) {
    std::string pattern = (std::filesystem::temp_directory_path() / "settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    std::string file = pattern + "/Brackwater.ini";
    std::ofstream(file) << "[__DONT_TOUCH_ME__]\nSectors=3\n";
    window::INIClass manager;
    manager.Init(pattern + "/BRACKWATER.INI");
    EXPECT_EQ(manager.Sectors(), 3);
    manager.Kill();
    manager.Kill();  // once only
    std::ifstream in(file);
    std::stringstream all;
    all << in.rdbuf();
    EXPECT_EQ(all.str(), "[__DONT_TOUCH_ME__]\nSectors=3\n");
    std::ofstream(file) << "[__Dont_Touch_Me__]\nSectors=-4\n";
    manager.Init(file);
    EXPECT_EQ(manager.Sectors(), 0);
    std::filesystem::remove_all(pattern);
}

TEST_F(TestWindowTest, TheWindowProcedureRunsUntilClosedAndLeavesItsResponse) {
    window::TestWindowParts parts;
    parts.settingsFile = settingsFile;
    parts.connection = [](TestData& data, TestWindowServices& services) {
        return std::make_unique<FakeConnection>(data, services);
    };
    window::GlobalResponse = 0;
    window::Test(host, std::move(parts));  // the headless user closes the window once it has opened
    EXPECT_EQ(window::GlobalResponse, window::kRequestCancelled);
    EXPECT_EQ(SettingsText(),
              "[Test]\nTimerValue=20\nServer=IP Address / Name\nPort=502\nAfterSendPauseValue=20\n"
              "SendAllTimerValue=50\n");
}

TEST_F(TestWindowTest, AnUnwritablePlaceLeavesTheWindowClosingNormally) {
    settingsFile = (dir / "missing" / "Brackwater.ini").string();
    StartWindow();
    host.Press("BExit");
    EXPECT_TRUE(host.Ended());
    EXPECT_FALSE(std::filesystem::exists(settingsFile));
}

TEST_F(TestWindowTest, AReadOnlyFileIsKeptAndTheTraceSaysWhyNothingWasSaved) {
    WriteSettings("[Test]\nPort=503\n");
    std::filesystem::permissions(settingsFile, std::filesystem::perms::owner_read);
    platform::ScopedCapture trace;
    StartWindow();
    host.Enter("Port", "1502");
    host.Press("BExit");
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(SettingsText(), "[Test]\nPort=503\n");
    EXPECT_TRUE(trace.Contains("Settings not saved to " + settingsFile + ": " + settingsFile + " is read-only"));
}

}  // namespace
}  // namespace window_test
