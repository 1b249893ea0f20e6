#include "platform/desktop_setting.h"

#include <mutex>
#include <optional>
#include <string>

#include "platform/registry.h"

namespace platform {
namespace {

std::mutex gMutex;
/// A value set without writing the profile; wins over the stored one.
std::optional<int32_t> gSessionDragFullWindows;

int32_t StoredDragFullWindows() {
    RegistryValue value;
    if (ReadRegistryValue(RegistryRoot::CurrentUser, kDesktopKey, kDragFullWindowsValue, value) != ERROR_SUCCESS)
        return 0;
    if (value.type == REG_DWORD) return value.Number() != 0 ? 1 : 0;
    std::string text = value.Text();
    return !text.empty() && text != "0" ? 1 : 0;
}

int32_t GetDragFullWindows(void* pvParam) {
    if (pvParam == nullptr) return 0;
    std::lock_guard lock(gMutex);
    *static_cast<int32_t*>(pvParam) = gSessionDragFullWindows ? *gSessionDragFullWindows : StoredDragFullWindows();
    return 1;
}

int32_t SetDragFullWindows(uint32_t on, uint32_t fWinIni) {
    int32_t setting = on != 0 ? 1 : 0;
    std::lock_guard lock(gMutex);
    if ((fWinIni & SPIF_UPDATEINIFILE) == 0) {
        gSessionDragFullWindows = setting;
        return 1;
    }
    RegistryValue value = RegistryValue::String(setting ? "1" : "0");
    if (WriteRegistryValue(RegistryRoot::CurrentUser, kDesktopKey, kDragFullWindowsValue, value) != ERROR_SUCCESS)
        return 0;
    gSessionDragFullWindows.reset();
    return 1;
}

}  // namespace

int32_t SystemParametersInfoA(uint32_t uiAction, uint32_t uiParam, void* pvParam, uint32_t fWinIni) {
    switch (uiAction) {
        case SPI_GETDRAGFULLWINDOWS:
            return GetDragFullWindows(pvParam);
        case SPI_SETDRAGFULLWINDOWS:
            return SetDragFullWindows(uiParam, fWinIni);
        default:
            return 0;
    }
}

void ResetSessionDesktopSettings() {
    std::lock_guard lock(gMutex);
    gSessionDragFullWindows.reset();
}

}  // namespace platform
