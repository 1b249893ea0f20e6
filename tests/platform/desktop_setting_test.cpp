#include "platform/desktop_setting.h"

#include <gtest/gtest.h>

#include "platform/registry.h"

namespace platform {
namespace {

int32_t DragFullWindows() {
    int32_t setting = -1;
    EXPECT_EQ(SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, &setting, 0), 1);
    return setting;
}

std::string Stored() {
    RegistryValue value;
    if (ReadRegistryValue(RegistryRoot::CurrentUser, "Control Panel\\Desktop", "DragFullWindows", value) !=
        ERROR_SUCCESS)
        return "<missing>";
    return value.Text();
}

class DesktopSetting : public ::testing::Test {
protected:
    ~DesktopSetting() override { ResetSessionDesktopSettings(); }
    TemporaryRegistry registry;
};

TEST_F(DesktopSetting, MissingValueReadsAsOff) {
    EXPECT_EQ(DragFullWindows(), 0);
    EXPECT_EQ(Stored(), "<missing>") << "reading writes nothing";
}

TEST_F(DesktopSetting, SetWithProfileFlagIsStoredUnderTheUsersDesktopKey) {
    int32_t block = 0;
    EXPECT_EQ(SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, 1, &block, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE), 1);
    EXPECT_EQ(Stored(), "1");
    EXPECT_EQ(DragFullWindows(), 1);
    EXPECT_EQ(SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, 0, &block, 3), 1);
    EXPECT_EQ(Stored(), "0");
    EXPECT_EQ(DragFullWindows(), 0);
}

TEST_F(DesktopSetting, SetWithoutProfileFlagLastsForTheProcessOnly) {
    WriteRegistryValue(RegistryRoot::CurrentUser, "control panel\\desktop", "dragfullwindows",
                       RegistryValue::String("1"));
    EXPECT_EQ(DragFullWindows(), 1);
    EXPECT_EQ(SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, 0, nullptr, 0), 1);
    EXPECT_EQ(DragFullWindows(), 0);
    EXPECT_EQ(Stored(), "1");
}

TEST_F(DesktopSetting, UnknownActionsAndMissingResultPlaceFail) {
    int32_t setting = 0;
    EXPECT_EQ(SystemParametersInfoA(39, 0, &setting, 0), 0);
    EXPECT_EQ(SystemParametersInfoA(SPI_GETDRAGFULLWINDOWS, 0, nullptr, 0), 0);
}

TEST_F(DesktopSetting, UnwritableProfileReportsFailure) {
    ScopedRegistryWriteProtection protect(RegistryRoot::CurrentUser);
    EXPECT_EQ(SystemParametersInfoA(SPI_SETDRAGFULLWINDOWS, 1, nullptr, SPIF_UPDATEINIFILE), 0);
    EXPECT_EQ(DragFullWindows(), 0);
}

}  // namespace
}  // namespace platform
