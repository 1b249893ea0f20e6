#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace platform {
namespace {

constexpr auto kUser = RegistryRoot::CurrentUser;
constexpr auto kMachine = RegistryRoot::LocalMachine;
constexpr std::string_view kGuidKey = "Software\\Sparlin\\GUID";
constexpr std::string_view kTcpKey = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteText(const std::filesystem::path& path, std::string_view text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

class Registry : public ::testing::Test {
protected:
    RegistryValue Read(RegistryRoot root, std::string_view key, std::string_view name, int32_t* result = nullptr) {
        RegistryValue value;
        int32_t r = ReadRegistryValue(root, key, name, value);
        if (result != nullptr) *result = r;
        return value;
    }

    TemporaryRegistry registry;
};

TEST_F(Registry, StringBinaryAndNumberValuesComeBackAsWritten) {
    std::string guid("\x01\x00\xff\x7f\x80\x00\x00\x02", 8);
    ASSERT_EQ(WriteRegistryValue(kUser, kGuidKey, "GUID", RegistryValue::Binary(guid)), ERROR_SUCCESS);
    ASSERT_EQ(WriteRegistryValue(kUser, kGuidKey, "Description", RegistryValue::String("Jo \"at\" 100% Ltd")), 0);
    ASSERT_EQ(WriteRegistryValue(kMachine, kTcpKey, "DisableDHCPMediaSense", RegistryValue::Dword(1)), 0);
    ASSERT_EQ(WriteRegistryValue(kUser, kGuidKey, "", RegistryValue::String("default")), 0);

    RegistryValue value = Read(kUser, kGuidKey, "GUID");
    EXPECT_EQ(value.type, REG_BINARY);
    EXPECT_EQ(value.Bytes(), guid);
    value = Read(kUser, kGuidKey, "Description");
    EXPECT_EQ(value.type, REG_SZ);
    EXPECT_EQ(value.Text(), "Jo \"at\" 100% Ltd");
    EXPECT_EQ(value.data.back(), 0);  // stored with its terminating zero
    value = Read(kMachine, kTcpKey, "DisableDHCPMediaSense");
    EXPECT_EQ(value.type, REG_DWORD);
    EXPECT_EQ(value.Number(), 1u);
    EXPECT_EQ(value.data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(Read(kUser, kGuidKey, "").Text(), "default");
}

TEST_F(Registry, MissingKeysAndValuesAndWrongTypesAreReported) {
    int32_t result = 0;
    Read(kUser, kGuidKey, "RUNID", &result);
    EXPECT_EQ(result, ERROR_FILE_NOT_FOUND);
    WriteRegistryValue(kUser, kGuidKey, "RUNID", RegistryValue::Binary(std::string("\x01\0\0\0", 4)));
    Read(kUser, kGuidKey, "Other", &result);
    EXPECT_EQ(result, ERROR_FILE_NOT_FOUND);
    RegistryValue value;
    EXPECT_EQ(ReadRegistryValue(kUser, kGuidKey, "RUNID", REG_DWORD, value), ERROR_UNSUPPORTED_TYPE);
    EXPECT_EQ(ReadRegistryValue(kUser, kGuidKey, "RUNID", REG_BINARY, value), ERROR_SUCCESS);
    EXPECT_EQ(value.Number(), 1u);
    Read(kMachine, kGuidKey, "RUNID", &result);  // each root is its own store
    EXPECT_EQ(result, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(WriteRegistryValue(kUser, "", "x", RegistryValue::Dword(1)), ERROR_INVALID_PARAMETER);
}

TEST_F(Registry, KeyPathsAndValueNamesIgnoreCaseAndKeepTheirFirstSpelling) {
    WriteRegistryValue(kUser, kGuidKey, "RUNID", RegistryValue::Dword(1));
    WriteRegistryValue(kUser, "SOFTWARE\\sparlin\\guid", "runid", RegistryValue::Dword(2));
    EXPECT_EQ(Read(kUser, "software\\SPARLIN\\Guid\\", "RunId").Number(), 2u);
    std::vector<std::string> names;
    ASSERT_EQ(ListRegistryValues(kUser, "software\\sparlin\\guid", names), 0);
    EXPECT_EQ(names, std::vector<std::string>{"RUNID"});
    ASSERT_EQ(ListRegistrySubkeys(kUser, "SOFTWARE", names), 0);
    EXPECT_EQ(names, std::vector<std::string>{"Sparlin"});
    ASSERT_EQ(ListRegistrySubkeys(kUser, "", names), 0);
    EXPECT_EQ(names, std::vector<std::string>{"Software"});
}

TEST_F(Registry, KeysAreMadeListedAndDeletedWithWhatIsBelowThem) {
    ASSERT_EQ(CreateRegistryKey(RegistryRoot::ClassesRoot, "mailto\\shell\\open\\command"), 0);
    WriteRegistryValue(RegistryRoot::ClassesRoot, ".htm", "", RegistryValue::String("htmlfile"));
    EXPECT_TRUE(RegistryKeyExists(RegistryRoot::ClassesRoot, "MAILTO\\shell"));
    std::vector<std::string> names;
    ListRegistrySubkeys(RegistryRoot::ClassesRoot, "", names);
    EXPECT_EQ(names, (std::vector<std::string>{".htm", "mailto"}));
    EXPECT_EQ(ListRegistrySubkeys(RegistryRoot::ClassesRoot, "nothing", names), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(DeleteRegistryKey(RegistryRoot::ClassesRoot, "Mailto\\Shell"), 0);
    EXPECT_TRUE(RegistryKeyExists(RegistryRoot::ClassesRoot, "mailto"));
    EXPECT_FALSE(RegistryKeyExists(RegistryRoot::ClassesRoot, "mailto\\shell\\open\\command"));
    EXPECT_EQ(DeleteRegistryKey(RegistryRoot::ClassesRoot, "mailto\\shell"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(DeleteRegistryValue(RegistryRoot::ClassesRoot, ".HTM", ""), 0);
    EXPECT_EQ(DeleteRegistryValue(RegistryRoot::ClassesRoot, ".htm", ""), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, RootsAreFilesOfTheirOwnInTheDirectoryInForce) {
    EXPECT_EQ(RegistryDirectory(), registry.Directory());
    WriteRegistryValue(kUser, kGuidKey, "RUNID", RegistryValue::Dword(1));
    WriteRegistryValue(kMachine, kTcpKey, "SparlinDontChangeMediaSense", RegistryValue::Dword(0));
    EXPECT_TRUE(std::filesystem::exists(registry.Directory() / "current_user.reg"));
    EXPECT_TRUE(std::filesystem::exists(registry.Directory() / "local_machine.reg"));
    EXPECT_FALSE(std::filesystem::exists(registry.Directory() / "classes_root.reg"));
    EXPECT_NE(FileText(RegistryFile(kUser)).find("key \"Software\\Sparlin\\GUID\""), std::string::npos);
}

TEST_F(Registry, EveryWriteReplacesTheFileWholeAndLeavesNoTemporaryFile) {
    WriteRegistryValue(kUser, kGuidKey, "RUNID", RegistryValue::Dword(1));
    auto file = RegistryFile(kUser);
    auto snapshot = registry.Directory() / "snapshot";
    ASSERT_EQ(link(file.c_str(), snapshot.c_str()), 0);  // a second name for the file as it is now
    std::string before = FileText(file);

    WriteRegistryValue(kUser, kGuidKey, "RUNID", RegistryValue::Dword(2));
    EXPECT_EQ(FileText(snapshot), before);  // the old file was never written into
    EXPECT_EQ(Read(kUser, kGuidKey, "RUNID").Number(), 2u);
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(registry.Directory())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
        ++entries;
    }
    EXPECT_EQ(entries, 3u);  // the file, the snapshot, the lock file
}

TEST_F(Registry, ALinkPlantedInTheDirectoryCannotRedirectAWrite) {
    WriteRegistryValue(kUser, kGuidKey, "RUNID", RegistryValue::Dword(1));  // makes the directory
    auto victim = registry.Directory() / "victim";
    WriteText(victim, "untouched");
    // Where a temporary file with a name made from the process id would go.
    std::filesystem::create_symlink(victim,
                                    registry.Directory() / ("current_user.reg.tmp." + std::to_string(getpid())));
    EXPECT_EQ(WriteRegistryValue(kUser, kGuidKey, "RUNID", RegistryValue::Dword(2)), ERROR_SUCCESS);
    EXPECT_EQ(FileText(victim), "untouched");
    EXPECT_EQ(Read(kUser, kGuidKey, "RUNID").Number(), 2u);
}

TEST_F(Registry, DamagedOrCutFilesReadAsEmptyAndAreReplacedByTheNextWrite) {
    WriteRegistryValue(kUser, kGuidKey, "Description", RegistryValue::String("A long enough description"));
    std::string whole = FileText(RegistryFile(kUser));
    int32_t result = 0;
    const std::vector<std::string> damagedFiles = {
        whole.substr(0, whole.size() / 2),
        whole.substr(0, whole.size() - 4),  // the end line cut off
        std::string("\x00\xff\x13garbage\n\n", 12),
        std::string(),
        "brackwater-registry 1\nvalue \"x\" hex(3) 00\nend\n",            // a value outside any key
        "brackwater-registry 1\nkey \"A\"\nvalue \"x\" hex(3) 0\nend\n",  // half a byte
        "brackwater-registry 1\nkey \"A\nend\n",                          // an open quote
    };
    for (const auto& damaged : damagedFiles) {
        WriteText(RegistryFile(kUser), damaged);
        Read(kUser, kGuidKey, "Description", &result);
        EXPECT_EQ(result, ERROR_FILE_NOT_FOUND) << damaged;
        EXPECT_FALSE(RegistryKeyExists(kUser, "A"));
    }
    ASSERT_EQ(WriteRegistryValue(kUser, kGuidKey, "RUNID", RegistryValue::Dword(7)), 0);
    EXPECT_EQ(Read(kUser, kGuidKey, "RUNID").Number(), 7u);
}

TEST_F(Registry, NamesAndTextsWithAnyBytesSurviveTheFile) {
    std::string name = "odd \"name\" %41\tline\nbreak";
    std::string text = "line one\r\nline two % \x7f end";
    WriteRegistryValue(kUser, "Key \"quoted\"\\%sub%", name, RegistryValue::String(text));
    RegistryValue inner{REG_SZ, {'a', 0, 'b', 0}};  // a string with a zero inside
    WriteRegistryValue(kUser, "K", "inner", inner);
    WriteRegistryValue(kUser, "K", "empty", RegistryValue::Binary(""));
    EXPECT_EQ(Read(kUser, "key \"QUOTED\"\\%SUB%", name).Text(), text);
    EXPECT_EQ(Read(kUser, "K", "inner"), inner);
    EXPECT_EQ(Read(kUser, "K", "empty"), RegistryValue::Binary(""));
}

TEST_F(Registry, WriteProtectedRootsRefuseChanges) {
    WriteRegistryValue(kMachine, kTcpKey, "DisableDHCPMediaSense", RegistryValue::Dword(0));
    {
        ScopedRegistryWriteProtection noRights(kMachine);
        EXPECT_EQ(WriteRegistryValue(kMachine, kTcpKey, "DisableDHCPMediaSense", RegistryValue::Dword(1)),
                  ERROR_ACCESS_DENIED);
        EXPECT_EQ(WriteRegistryValue(kUser, kGuidKey, "RUNID", RegistryValue::Dword(1)), 0);
    }
    EXPECT_EQ(Read(kMachine, kTcpKey, "DisableDHCPMediaSense").Number(), 0u);
    EXPECT_EQ(WriteRegistryValue(kMachine, kTcpKey, "DisableDHCPMediaSense", RegistryValue::Dword(1)), 0);
}

TEST_F(Registry, OversizedValuesAreRefused) {
    std::string huge(kMaxRegistryValueBytes + 1, 'x');
    EXPECT_EQ(WriteRegistryValue(kUser, "K", "huge", RegistryValue::Binary(huge)), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(RegistryKeyExists(kUser, "K"));
}

TEST_F(Registry, ConcurrentWritersLoseNothing) {
    auto writer = [](std::string prefix) {
        for (uint32_t i = 0; i < 20; ++i)
            WriteRegistryValue(kUser, "K", prefix + std::to_string(i), RegistryValue::Dword(i));
    };
    std::thread a(writer, "a");
    std::thread b(writer, "b");
    a.join();
    b.join();
    std::vector<std::string> names;
    ListRegistryValues(kUser, "K", names);
    EXPECT_EQ(names.size(), 40u);
}

TEST(RegistryDirectory, FollowsTheEnvironment) {
    auto keep = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    auto restore = [](const char* name, const std::optional<std::string>& value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    };
    auto dir = keep("BRACKWATER_REGISTRY_DIR");
    auto xdg = keep("XDG_CONFIG_HOME");
    auto home = keep("HOME");
    setenv("BRACKWATER_REGISTRY_DIR", "/tmp/reg-here", 1);
    setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
    EXPECT_EQ(RegistryDirectory(), "/tmp/reg-here");
    unsetenv("BRACKWATER_REGISTRY_DIR");
    EXPECT_EQ(RegistryDirectory(), "/tmp/xdg/brackwater/registry");
    EXPECT_EQ(RegistryFile(RegistryRoot::LocalMachine), "/tmp/xdg/brackwater/registry/local_machine.reg");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/tmp/home", 1);
    EXPECT_EQ(RegistryDirectory(), "/tmp/home/.config/brackwater/registry");
    restore("BRACKWATER_REGISTRY_DIR", dir);
    restore("XDG_CONFIG_HOME", xdg);
    restore("HOME", home);
}

TEST(RegistryRoots, PredefinedKeysNameTheRoots) {
    EXPECT_EQ(RegistryRootOf(HKEY_CURRENT_USER), RegistryRoot::CurrentUser);
    EXPECT_EQ(RegistryRootOf(HKEY_LOCAL_MACHINE), RegistryRoot::LocalMachine);
    EXPECT_EQ(RegistryRootOf(HKEY_CLASSES_ROOT), RegistryRoot::ClassesRoot);
    EXPECT_EQ(RegistryRootOf(static_cast<int32_t>(0x80000001u)), RegistryRoot::CurrentUser);
    EXPECT_EQ(RegistryRootOf(0), std::nullopt);
}

}  // namespace
}  // namespace platform
