#include "app/program.h"

#include "netcore/net_log.h"
#include "platform/desktop_setting.h"

window::INIClass INIMgr;
int32_t LCurrentFDSetting = 0;
int32_t LAdjFDSetting = 0;

namespace app {
namespace {

constexpr uint32_t kWriteProfileAndBroadcast = platform::SPIF_UPDATEINIFILE | platform::SPIF_SENDCHANGE;

void WriteBanner(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) NetDebugTrace(line);
}

/// Switches full-window drag off when it is on; remembers what it was.
void TurnOffFullWindowDrag() {
    LCurrentFDSetting = 0;
    platform::SystemParametersInfoA(platform::SPI_GETDRAGFULLWINDOWS, 0, &LCurrentFDSetting, 0);
    if (LCurrentFDSetting == 1)
        platform::SystemParametersInfoA(platform::SPI_SETDRAGFULLWINDOWS, 0, &LAdjFDSetting, kWriteProfileAndBroadcast);
}

/// Switches it back on only when it was on at start-up.
void RestoreFullWindowDrag() {
    if (LCurrentFDSetting == 1)
        platform::SystemParametersInfoA(platform::SPI_SETDRAGFULLWINDOWS, 1, &LAdjFDSetting, kWriteProfileAndBroadcast);
}

void StartUp(const ProgramParts& parts) {
    if (parts.startErrorManager) parts.startErrorManager();
    INIMgr.Init(parts.settingsFile);
    if (BannerWanted()) WriteBanner(StartUpBanner(ProgramPathForBanner()));
    if (parts.setDefaultIcon) parts.setDefaultIcon(kDefaultIcon);
    TurnOffFullWindowDrag();
}

void ShutDown(const ProgramParts& parts) {
    if (parts.closeCallBackWindow) parts.closeCallBackWindow();
    if (BannerWanted()) WriteBanner(ClosingBanner(ProgramPathForBanner()));
    RestoreFullWindowDrag();
    INIMgr.Kill();
}

}  // namespace

void RunProgram(const ProgramParts& parts) {
    StartUp(parts);
    if (parts.runWindow) parts.runWindow();
    ShutDown(parts);
}

}  // namespace app
