// The real program under signals from outside: a reader of its standard error
// that goes away, and SIGTERM, which closes the window as its close box does.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "child_process.h"
#include "platform/desktop_setting.h"
#include "platform/registry.h"
#include "test_time.h"

#ifdef BRACKWATER_PATH
namespace app {
namespace {

using namespace std::chrono_literals;
using sim::testing::ChildProcess;

/// A working folder and a registry of the test's own, with full-window drag on.
class StopSignals : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        int32_t on = 1;
        ASSERT_EQ(
            platform::SystemParametersInfoA(platform::SPI_SETDRAGFULLWINDOWS, 1, &on, platform::SPIF_UPDATEINIFILE), 1);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string Settings() const {
        std::ifstream in(dir / "Brackwater.ini");
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    static int32_t Drag() {
        int32_t value = -1;
        platform::SystemParametersInfoA(platform::SPI_GETDRAGFULLWINDOWS, 0, &value, 0);
        return value;
    }

    platform::TemporaryRegistry registry;
    std::filesystem::path dir = testsupport::MakeTempDir("signals");
};

TEST_F(StopSignals, ALostReaderOfStandardErrorCostsOnlyTheLines) {
    ChildProcess program({BRACKWATER_PATH, "/netall", "--screenshot", "shot.png"}, dir.string());
    program.CloseOutput();  // every trace line from here on meets a broken pipe
    EXPECT_EQ(program.Wait(60s), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "shot.png"));
    EXPECT_NE(Settings().find("[Test]\nTimerValue="), std::string::npos);
}

TEST_F(StopSignals, SigtermClosesTheWindowAsItsCloseBoxDoes) {
    ChildProcess program({BRACKWATER_PATH, "/netall"}, dir.string());
    // The window's connection object writes this once the window is being made.
    ASSERT_TRUE(program.WaitForOutput("Initialisation", 60s)) << program.Output();
    EXPECT_EQ(Drag(), 0);
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(60s), 0) << program.Output();
    EXPECT_NE(Settings().find("[Test]\nTimerValue="), std::string::npos);
    EXPECT_EQ(Drag(), 1);
}

}  // namespace
}  // namespace app
#endif
