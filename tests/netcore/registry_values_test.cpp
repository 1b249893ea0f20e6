// Reading and writing one registry value with the library's contracts.
#include "startup_fixture.h"

namespace {

using RegistryValuesTest = StartupTest;

constexpr std::string_view kKey = "Software\\Sparlin\\Test";

TEST_F(RegistryValuesTest, AMissingKeyOrValueGivesEmptyAndNotFound) {
    uint8_t found = 7;
    EXPECT_EQ(NetGetRegistry(NET::HKEY_CURRENT_USER, kKey, "Nothing", NET::REG_SZ, found), "");
    EXPECT_EQ(found, 0);
    NetSetRegistry(NET::HKEY_CURRENT_USER, kKey, "Other", "x", NET::REG_SZ);
    EXPECT_EQ(NetGetRegistry(NET::HKEY_CURRENT_USER, kKey, "Nothing", NET::REG_SZ, found), "");
    EXPECT_EQ(found, 0);
    EXPECT_TRUE(capture.Lines().empty());
}

TEST_F(RegistryValuesTest, EachTypeComesBackAsWritten) {
    uint8_t found = 0;
    NetSetRegistry(NET::HKEY_CURRENT_USER, kKey, "Text", "hello   ", NET::REG_SZ);
    EXPECT_EQ(NetGetRegistry(NET::HKEY_CURRENT_USER, kKey, "Text", NET::REG_SZ, found), "hello");
    EXPECT_EQ(found, 1);
    NetSetRegistry(NET::HKEY_CURRENT_USER, kKey, "Bytes", std::string("\x00\x01 ", 3), NET::REG_BINARY);
    EXPECT_EQ(NetGetRegistry(NET::HKEY_CURRENT_USER, kKey, "Bytes", NET::REG_BINARY, found),
              std::string("\x00\x01 ", 3));
    NetSetRegistry(NET::HKEY_LOCAL_MACHINE, kKey, "Number", "-1", NET::REG_DWORD);
    EXPECT_EQ(NetGetRegistry(NET::HKEY_LOCAL_MACHINE, kKey, "Number", NET::REG_DWORD, found), "-1");
    NetSetRegistry(NET::HKEY_LOCAL_MACHINE, kKey, "Number", "4096", NET::REG_DWORD);
    EXPECT_EQ(NetGetRegistry(NET::HKEY_LOCAL_MACHINE, kKey, "Number", NET::REG_DWORD, found), "4096");
    // Strings are stored with their terminating zero.
    platform::RegistryValue stored;
    platform::ReadRegistryValue(platform::RegistryRoot::CurrentUser, kKey, "Text", stored);
    EXPECT_EQ(stored.data.back(), 0);
}

TEST_F(RegistryValuesTest, AValueOfAnotherTypeIsAnErrorLine) {
    platform::SetCommandLine("brackwater /neterrors");
    LoggingOptions();
    NetSetRegistry(NET::HKEY_CURRENT_USER, kKey, "Text", "hello", NET::REG_SZ);
    uint8_t found = 1;
    EXPECT_EQ(NetGetRegistry(NET::HKEY_CURRENT_USER, kKey, "Text", NET::REG_DWORD, found), "");
    EXPECT_EQ(found, 0);
    EXPECT_TRUE(capture.Contains("[NetDLL] [1] NetGetRegistry() : Error returned from RegGetValue = 1630 HKEY = " +
                                 std::to_string(NET::HKEY_CURRENT_USER) + " value = Text"));
}

TEST_F(RegistryValuesTest, AnUnknownRootKeyIsRefusedWithoutACrash) {
    uint8_t found = 1;
    NetSetRegistry(12345, kKey, "Text", "hello", NET::REG_SZ);
    EXPECT_EQ(NetGetRegistry(12345, kKey, "Text", NET::REG_SZ, found), "");
    EXPECT_EQ(found, 0);
}

}  // namespace
