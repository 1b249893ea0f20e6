#include "platform/shell_execute.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "recording_launcher.h"

namespace platform {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using testsupport::RecordingLauncher;

TEST(ShellExecute, TargetGoesToTheOpenerAsOneArgument) {
    RecordingLauncher launcher;
    ScopedShellLauncher scoped(launcher);
    EXPECT_EQ(ShellExecuteA(nullptr, "", "https://x.example/a b;$(rm -rf ~)", "", "", SW_SHOWNORMAL), kShellOk);
    EXPECT_EQ(ShellExecuteA(nullptr, "open", "\"C:\\Browser\\browser.exe\"", "www.example.com", "", SW_SHOWNORMAL),
              kShellOk);
    EXPECT_THAT(launcher.launched, ElementsAre(ElementsAre("xdg-open", "https://x.example/a b;$(rm -rf ~)"),
                                               ElementsAre("C:\\Browser\\browser.exe", "www.example.com")));
}

TEST(ShellExecute, TargetsThatWouldReadAsOptionsOrAreEmptyStartNothing) {
    RecordingLauncher launcher;
    ScopedShellLauncher scoped(launcher);
    EXPECT_EQ(ShellExecuteA(nullptr, "", "--help", "", "", SW_SHOWNORMAL), kShellFileNotFound);
    EXPECT_EQ(ShellExecuteA(nullptr, "", "browser", "-remote", "", SW_SHOWNORMAL), kShellFileNotFound);
    EXPECT_EQ(ShellExecuteA(nullptr, "", "  ", "", "", SW_SHOWNORMAL), kShellFileNotFound);
    EXPECT_EQ(ShellExecuteA(nullptr, "print", "a.txt", "", "", SW_SHOWNORMAL), kShellNoAssociation);
    EXPECT_THAT(launcher.launched, IsEmpty());
}

TEST(ShellExecute, OpenerExitStatusAndSpawnErrorsBecomeShellCodes) {
    EXPECT_EQ(ShellResultFromExitStatus(0), kShellOk);
    EXPECT_EQ(ShellResultFromExitStatus(1), kShellAssociationIncomplete);
    EXPECT_EQ(ShellResultFromExitStatus(2), kShellFileNotFound);
    EXPECT_EQ(ShellResultFromExitStatus(3), kShellNoAssociation);
    EXPECT_EQ(ShellResultFromExitStatus(4), kShellNoAssociation);
    EXPECT_EQ(ShellResultFromSpawnError(ENOENT), 2);
    EXPECT_EQ(ShellResultFromSpawnError(EACCES), 5);
    EXPECT_EQ(ShellResultFromSpawnError(ENOMEM), 8);
}

// The real launcher, with harmless programs in place of an opener.
TEST(SpawnLauncher, MissingOpenerGivesTwoAndExitStatusIsMapped) {
    SpawnLauncher launcher;
    EXPECT_EQ(launcher.Launch({"/nonexistent/brackwater-opener", "x"}), kShellFileNotFound);
    EXPECT_EQ(launcher.Launch({"true"}), kShellOk);
    EXPECT_EQ(launcher.Launch({"false"}), kShellAssociationIncomplete);
    EXPECT_EQ(launcher.Launch({}), kShellFileNotFound);
}

TEST(SpawnLauncher, ArgumentsReachTheProgramUninterpreted) {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "shell-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path name = fs::path(pattern) / "a b;$(echo x)`id`*";
    SpawnLauncher launcher;
    EXPECT_EQ(launcher.Launch({"touch", name.string()}), kShellOk);
    EXPECT_TRUE(fs::exists(name));
    EXPECT_EQ(std::distance(fs::directory_iterator(pattern), fs::directory_iterator()), 1);
    fs::remove_all(pattern);
}

}  // namespace
}  // namespace platform
