// The real link and focus aids in the test window, on the headless host.
#include "app/window_aids.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "fake_connection.h"
#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/shell_execute.h"
#include "recording_launcher.h"
#include "window/headless_host.h"
#include "window/test_window.h"

namespace app {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using testsupport::RecordingLauncher;

class WindowAidsTest : public ::testing::Test {
protected:
    WindowAidsTest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "aids-XXXXXX").string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        window::TestWindowParts parts;
        parts.connection = [](TestData& data, TestWindowServices& services) {
            return std::make_unique<testsupport::FakeConnection>(data, services);
        };
        parts.settingsFile = (dir_ / "Brackwater.ini").string();
        parts.productAddress = "https://example.invalid/brackwater";
        aids.Install(parts);
        testWindow = std::make_unique<window::TestWindow>(host, std::move(parts));
        EXPECT_EQ(host.Start(testWindow->ThisWindow), 0);
    }
    ~WindowAidsTest() override {
        testWindow.reset();
        std::filesystem::remove_all(dir_);
    }

    std::filesystem::path dir_;
    platform::TemporaryRegistry registry;
    RecordingLauncher launcher;
    platform::ScopedShellLauncher scopedLauncher{launcher};
    platform::ManualClock clock{100};
    platform::ScopedClock scopedClock{clock};
    window::HeadlessHost host{clock};
    WindowAids aids;
    std::unique_ptr<window::TestWindow> testWindow;
};

TEST_F(WindowAidsTest, AboutButtonOpensTheProductAddress) {
    host.Press("BAbout");
    EXPECT_THAT(launcher.launched, ElementsAre(ElementsAre("xdg-open", "https://example.invalid/brackwater")));
    EXPECT_THAT(host.Messages(), IsEmpty());
}

TEST_F(WindowAidsTest, FailedOpenShowsTheShellMessage) {
    launcher.result = platform::kShellFileNotFound;
    host.Press("BAbout");
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].text,
              "(2) The specified file was not found. File:|https://example.invalid/brackwater");
    EXPECT_EQ(host.Messages()[0].caption, "Shell Execute Error:2");
}

TEST_F(WindowAidsTest, FocusedEntryIsFramedAndButtonIsNot) {
    host.Type("Port", "503");
    ASSERT_EQ(host.Boxes().size(), 1u);
    EXPECT_EQ(host.Boxes()[0], (window::DrawnBox{{56, 150, 64, 14}, 0x00FFFF, 0, 1}));
    ASSERT_EQ(host.Characters().size(), 1u);
    EXPECT_EQ(host.Characters()[0], (window::DrawnCharacter{50, 152, "\xC2\xBB", 0x808080}));

    host.Press("BClearRaw");
    EXPECT_THAT(host.Boxes(), IsEmpty());
    EXPECT_THAT(host.Characters(), IsEmpty());
}

TEST_F(WindowAidsTest, TabChangeRemovesTheFrame) {
    host.Type("Port", "503");
    host.SelectTab("Tab_Formated");
    EXPECT_THAT(host.Boxes(), IsEmpty());
    EXPECT_THAT(host.Characters(), IsEmpty());
}

}  // namespace
}  // namespace app
