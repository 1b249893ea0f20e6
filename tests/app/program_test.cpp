#include "app/program.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/command_line.h"
#include "platform/debug_output.h"
#include "platform/desktop_setting.h"
#include "platform/profile_file.h"
#include "platform/registry.h"

namespace app {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

/// Keeps trace lines and the program's calls to its parts in one ordered log.
class StepLog : public platform::DebugSink {
public:
    StepLog() { platform::SetDebugSink(this); }
    ~StepLog() override { platform::SetDebugSink(nullptr); }
    StepLog(const StepLog&) = delete;
    StepLog& operator=(const StepLog&) = delete;
    void Line(std::string_view line) override { steps.emplace_back(line); }
    std::vector<std::string> steps;
};

std::string DragSetting() {
    int32_t setting = -1;
    platform::SystemParametersInfoA(platform::SPI_GETDRAGFULLWINDOWS, 0, &setting, 0);
    return "drag " + std::to_string(setting);
}

class Program : public ::testing::Test {
protected:
    Program() {
        std::string pattern = (fs::temp_directory_path() / "program-XXXXXX").string();
        EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        parts.settingsFile = (dir_ / "Brackwater.INI").string();
        parts.startErrorManager = [this] { log.steps.push_back("errors"); };
        parts.setDefaultIcon = [this](std::string_view icon) { log.steps.push_back("icon " + std::string(icon)); };
        parts.runWindow = [this] {
            log.steps.push_back("window, settings manager " + INIMgr.FileName());
            log.steps.push_back(DragSetting());
        };
        parts.closeCallBackWindow = [this] { log.steps.push_back("close callback window"); };
    }
    ~Program() override {
        fs::remove_all(dir_);
        platform::SetCommandLine("");
    }

    std::string Settings() const {
        std::ifstream in(platform::ResolveProfilePath(parts.settingsFile));
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    void SetDrag(uint32_t on) {
        platform::SystemParametersInfoA(platform::SPI_SETDRAGFULLWINDOWS, on, nullptr, platform::SPIF_UPDATEINIFILE);
    }

    platform::TemporaryRegistry registry;
    fs::path dir_;
    StepLog log;
    ProgramParts parts;
};

TEST_F(Program, WithoutSwitchesStepsRunInOrderWithoutBanner) {
    platform::SetCommandLine("brackwater");
    RunProgram(parts);
    EXPECT_THAT(log.steps, ElementsAre("errors", "icon Globe.ico", "window, settings manager " + parts.settingsFile,
                                       "drag 0", "close callback window"));
}

TEST_F(Program, BannerSurroundsTheWindowWhenLoggingIsAsked) {
    platform::SetCommandLine("brackwater /NETALL");
    RunProgram(parts);
    const std::string path = ProgramPathForBanner();
    std::vector<std::string> expected = {"errors"};
    for (const auto& line : StartUpBanner(path)) expected.push_back(line);
    expected.insert(expected.end(), {"icon Globe.ico", "window, settings manager " + parts.settingsFile, "drag 0",
                                     "close callback window"});
    for (const auto& line : ClosingBanner(path)) expected.push_back(line);
    EXPECT_THAT(log.steps, ElementsAreArray(expected));
}

TEST_F(Program, BannerLinesHaveTheirFixedTexts) {
    auto start = StartUpBanner("/opt/brackwater/bin/brackwater");
    ASSERT_EQ(start.size(), 4u);
    EXPECT_EQ(start[0], "[Sparlin Template] Sparlin Template version 4.24");
    EXPECT_THAT(start[1], ::testing::StartsWith("[Sparlin Template] Sparlin Template using "));
    EXPECT_THAT(start[1], ::testing::MatchesRegex(".* [0-9]+\\.[0-9]+"));
    EXPECT_EQ(start[2], "[Sparlin Template] Sparlin Object version 4.24 in application /opt/brackwater/bin/brackwater");
    EXPECT_THAT(start[3], ::testing::MatchesRegex("\\[Sparlin Template\\] .*Template Chain"));
    EXPECT_THAT(ClosingBanner("/opt/b"),
                ElementsAre(start[0], start[1],
                            "[Sparlin Template] Closing Down Sparlin (Object) version 4.24 in application /opt/b"));
}

TEST_F(Program, BannerSwitchesMatchByPrefixIgnoringCaseAndNetnologSilencesThem) {
    struct Case {
        const char* line;
        bool banner;
    } cases[] = {
        {"brackwater", false},
        {"brackwater /sparlinlog", true},
        {"brackwater /SparlinLogErrors", true},
        {"brackwater /NETERRORS", true},
        {"brackwater /netall", true},
        {"brackwater /netallx", true},
        {"brackwater /HLDebug /leavemediasense", false},
        {"brackwater /netall /netnolog", false},
        {"brackwater /NetNoLog /sparlinlog /neterrors", false},
    };
    for (const Case& c : cases) {
        platform::SetCommandLine(c.line);
        EXPECT_EQ(BannerWanted(), c.banner) << c.line;
    }
}

TEST_F(Program, OwnPathIsTheRealExecutableInLowerCase) {
    std::string real = fs::read_symlink("/proc/self/exe").string();
    for (char& c : real) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(ProgramPathForBanner(), real);
    EXPECT_THAT(real, ::testing::EndsWith("app_tests"));
}

TEST_F(Program, FullWindowDragIsOffWhileTheWindowRunsAndRestoredWhenItWasOn) {
    platform::SetCommandLine("brackwater");
    SetDrag(1);
    RunProgram(parts);
    EXPECT_THAT(log.steps, ::testing::Contains("drag 0"));
    EXPECT_EQ(DragSetting(), "drag 1");
    EXPECT_EQ(LCurrentFDSetting, 1);
}

TEST_F(Program, FullWindowDragThatWasOffIsNeverTouched) {
    platform::SetCommandLine("brackwater");
    RunProgram(parts);
    platform::RegistryValue value;
    EXPECT_EQ(platform::ReadRegistryValue(platform::RegistryRoot::CurrentUser, "Control Panel\\Desktop",
                                          "DragFullWindows", value),
              platform::ERROR_FILE_NOT_FOUND)
        << "no set at either end";

    SetDrag(0);
    parts.runWindow = [this] { SetDrag(1); };  // switched on by someone else meanwhile
    RunProgram(parts);
    EXPECT_EQ(LCurrentFDSetting, 0);
    EXPECT_EQ(DragSetting(), "drag 1") << "left alone at shutdown";
}

TEST_F(Program, SettingsManagerReadsAndWritesItsBookkeepingEntry) {
    platform::SetCommandLine("brackwater");
    RunProgram(parts);
    EXPECT_EQ(Settings(), "[__Dont_Touch_Me__]\nSectors=0\n");

    std::ofstream(platform::ResolveProfilePath(parts.settingsFile))
        << "[Test]\nPort=502\n[__Dont_Touch_Me__]\nSectors=3\n";
    RunProgram(parts);
    EXPECT_EQ(Settings(), "[Test]\nPort=502\n[__Dont_Touch_Me__]\nSectors=3\n");

    std::ofstream(platform::ResolveProfilePath(parts.settingsFile)) << "[__Dont_Touch_Me__]\nSectors=lots\n";
    RunProgram(parts);
    EXPECT_EQ(Settings(), "[__Dont_Touch_Me__]\nSectors=0\n");
}

}  // namespace
}  // namespace app
