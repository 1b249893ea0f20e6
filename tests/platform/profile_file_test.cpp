#include "platform/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace platform {
namespace {

namespace fs = std::filesystem;

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "profile-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
    void Put(const std::string& name, const std::string& bytes) const {
        std::ofstream(PathOf(name), std::ios::binary) << bytes;
    }
    std::string Contents(const std::string& name) const {
        std::ifstream in(PathOf(name), std::ios::binary);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    std::size_t FileCount() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }

    fs::path dir_;
};

TEST_F(ProfileFile, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(GetPrivateProfileString("Test", "Port", "502", PathOf("none.ini")), "502");
    Put("b.ini", "[Other]\nPort=7\n[Test]\nServer=x\n");
    EXPECT_EQ(GetPrivateProfileString("Nope", "Port", "502", PathOf("b.ini")), "502");
    EXPECT_EQ(GetPrivateProfileString("Test", "Port", "502  ", PathOf("b.ini")), "502");
    EXPECT_EQ(FileCount(), 1u);  // reading creates nothing
}

TEST_F(ProfileFile, WriteCreatesFileAndSectionThenReadsBack) {
    std::string file = PathOf("Brackwater.ini");
    ASSERT_TRUE(WritePrivateProfileString("Test", "TimerValue", "8", file));
    ASSERT_TRUE(WritePrivateProfileString("Test", "Server", "192.168.1.10   ", file));
    ASSERT_TRUE(WritePrivateProfileString("__Dont_Touch_Me__", "Sectors", "0", file));
    ASSERT_TRUE(WritePrivateProfileString("Test", "Port", "502", file));
    EXPECT_EQ(Contents("Brackwater.ini"),
              "[Test]\nTimerValue=8\nServer=192.168.1.10\nPort=502\n[__Dont_Touch_Me__]\nSectors=0\n");
    EXPECT_EQ(GetPrivateProfileString("Test", "Server", "", file), "192.168.1.10");
}

TEST_F(ProfileFile, NamesCompareWithoutCaseAndOneFileServesBothSpellings) {
    Put("Brackwater.ini", "[TEST]\ntimervalue=33\n");
    EXPECT_EQ(GetPrivateProfileString("test", "TimerValue", "20", PathOf("Brackwater.INI")), "33");
    ASSERT_TRUE(WritePrivateProfileString("Test", "TIMERVALUE", "8", PathOf("BRACKWATER.INI")));
    EXPECT_EQ(FileCount(), 1u);
    EXPECT_EQ(Contents("Brackwater.ini"), "[TEST]\nTIMERVALUE=8\n");
}

TEST_F(ProfileFile, BackslashNamesAFileInTheDirectory) {
    std::string windowsStyle = dir_.string() + "\\Brackwater.ini";
    ASSERT_TRUE(WritePrivateProfileString("Test", "Port", "503", windowsStyle));
    EXPECT_EQ(Contents("Brackwater.ini"), "[Test]\nPort=503\n");
}

TEST_F(ProfileFile, OtherLinesAreKeptByteForByte) {
    std::string before =
        "; written by hand\r\n[Test]\r\nPort = 9\r\n\r\n  odd line without equals\r\n[Keep]\r\nA=1\r\n";
    Put("k.ini", before);
    ASSERT_TRUE(WritePrivateProfileString("Test", "Server", "plc", PathOf("k.ini")));
    ASSERT_TRUE(WritePrivateProfileString("Test", "Port", "10", PathOf("k.ini")));
    EXPECT_EQ(Contents("k.ini"),
              "; written by hand\r\n[Test]\r\nPort=10\r\n\r\n  odd line without equals\r\nServer=plc\r\n"
              "[Keep]\r\nA=1\r\n");
    EXPECT_EQ(GetPrivateProfileString("keep", "a", "", PathOf("k.ini")), "1");
}

TEST_F(ProfileFile, NewKeyGoesAfterTheSectionsLastLineNotAfterBlankLines) {
    Put("s.ini", "[Test]\nA=1\n\n\n[Next]\nB=2\n");
    ASSERT_TRUE(WritePrivateProfileString("Test", "C", "3", PathOf("s.ini")));
    EXPECT_EQ(Contents("s.ini"), "[Test]\nA=1\nC=3\n\n\n[Next]\nB=2\n");
}

TEST_F(ProfileFile, LongValuesAreCutWhenRead) {
    Put("l.ini", "[Test]\nServer=" + std::string(3000, 'a') + "\n");
    EXPECT_EQ(GetPrivateProfileString("Test", "Server", "", PathOf("l.ini")).size(), kMaxProfileValue);
}

TEST_F(ProfileFile, AValueCannotInjectLinesAndBadNamesAreRefused) {
    ASSERT_TRUE(WritePrivateProfileString("Test", "Server", "plc\n[Evil]\nX=1", PathOf("v.ini")));
    EXPECT_EQ(Contents("v.ini"), "[Test]\nServer=plc\n");
    EXPECT_FALSE(WritePrivateProfileString("Te]st", "A", "1", PathOf("v.ini")));
    EXPECT_FALSE(WritePrivateProfileString("Test", "A=B", "1", PathOf("v.ini")));
    EXPECT_FALSE(WritePrivateProfileString("Test", "", "1", PathOf("v.ini")));
    EXPECT_EQ(Contents("v.ini"), "[Test]\nServer=plc\n");
}

TEST_F(ProfileFile, GarbageFilesAreReadSafelyAndKeptOnWrite) {
    const char raw[] = "\0\xff[\x01=\n]]]=\n[Test\n=\n[]\nPort=\0 5\n";
    std::string junk(raw, sizeof raw - 1);
    Put("g.ini", junk);
    EXPECT_EQ(GetPrivateProfileString("Test", "Port", "502", PathOf("g.ini")), "502");
    ASSERT_TRUE(WritePrivateProfileString("Test", "Port", "503", PathOf("g.ini")));
    EXPECT_EQ(Contents("g.ini"), junk + "[Test]\nPort=503\n");
}

TEST_F(ProfileFile, OversizedFilesAreNeitherReadNorRewritten) {
    std::string big = "[Test]\nPort=1\n" + std::string(kMaxProfileFileSize, 'x');
    Put("big.ini", big);
    EXPECT_EQ(GetPrivateProfileString("Test", "Port", "502", PathOf("big.ini")), "502");
    EXPECT_FALSE(WritePrivateProfileString("Test", "Port", "2", PathOf("big.ini")));
    EXPECT_EQ(Contents("big.ini").size(), big.size());
}

TEST_F(ProfileFile, FailedWritesLeaveNoTraceAndReportFalse) {
    EXPECT_FALSE(WritePrivateProfileString("Test", "Port", "1", PathOf("missing/dir.ini")));
    fs::create_directory(PathOf("adir.ini"));
    EXPECT_FALSE(WritePrivateProfileString("Test", "Port", "1", PathOf("adir.ini")));
    if (::geteuid() != 0) {  // root ignores permissions
        Put("ro.ini", "[Test]\nPort=1\n");
        fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(WritePrivateProfileString("Test", "Port", "2", PathOf("ro.ini")));
        fs::permissions(dir_, fs::perms::owner_all);
        EXPECT_EQ(Contents("ro.ini"), "[Test]\nPort=1\n");
    }
    EXPECT_EQ(FileCount(), geteuid() != 0 ? 2u : 1u);  // no temporary file left behind
}

TEST_F(ProfileFile, AReadOnlyFileIsNotReplacedAndTheReasonIsKept) {
    Put("ro.ini", "[Test]\nPort=1\n");
    fs::permissions(PathOf("ro.ini"), fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(WritePrivateProfileString("Test", "Port", "2", PathOf("ro.ini")));
    EXPECT_EQ(LastProfileWriteError(), PathOf("ro.ini") + " is read-only");
    EXPECT_EQ(Contents("ro.ini"), "[Test]\nPort=1\n");
    EXPECT_EQ(FileCount(), 1u);
    fs::permissions(PathOf("ro.ini"), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_TRUE(WritePrivateProfileString("Test", "Port", "2", PathOf("ro.ini")));
    EXPECT_EQ(LastProfileWriteError(), "");
}

TEST_F(ProfileFile, ALinkStaysALinkAndTheFileItNamesIsReplacedBesideItself) {
    fs::create_directory(PathOf("real"));
    Put("real/target.ini", "[Test]\nPort=1\n");
    fs::create_symlink("real/target.ini", PathOf("Brackwater.ini"));
    ASSERT_TRUE(WritePrivateProfileString("Test", "Port", "2", PathOf("BRACKWATER.INI")));
    EXPECT_TRUE(fs::is_symlink(PathOf("Brackwater.ini")));
    EXPECT_EQ(Contents("real/target.ini"), "[Test]\nPort=2\n");
    EXPECT_EQ(FileCount(), 2u);
    EXPECT_EQ(std::distance(fs::directory_iterator(PathOf("real")), fs::directory_iterator()), 1);
    fs::create_symlink("loop.ini", PathOf("loop.ini"));
    EXPECT_FALSE(WritePrivateProfileString("Test", "Port", "2", PathOf("loop.ini")));
}

TEST_F(ProfileFile, WriteKeepsTheFilesPermissions) {
    Put("p.ini", "[Test]\n");
    fs::permissions(PathOf("p.ini"), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(WritePrivateProfileString("Test", "Port", "1", PathOf("p.ini")));
    EXPECT_EQ(fs::status(PathOf("p.ini")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace platform
