#include "window/ini_class.h"

#include "platform/profile_file.h"
#include "window/picture.h"

namespace window {
namespace {
constexpr std::string_view kSection = "__Dont_Touch_Me__";
constexpr std::string_view kKey = "Sectors";
}  // namespace

void INIClass::Init(std::string_view fileName) {
    fileName_ = fileName;
    int64_t count = Picture::Of("n9").ParseNumber(platform::GetPrivateProfileString(kSection, kKey, "0", fileName_));
    sectors_ = count >= 0 && count <= INT32_MAX ? static_cast<int32_t>(count) : 0;  // a damaged count is an empty list
    started_ = true;
}

void INIClass::Kill() {
    if (!started_) return;
    platform::WritePrivateProfileString(kSection, kKey, std::to_string(sectors_), fileName_);
    started_ = false;
}

}  // namespace window
