#include "app/ini_manager.h"

#include <charconv>

#include "platform/profile_file.h"

INIClass INIMgr;

namespace {

/// A count as stored; anything that is not a whole number in range reads as 0.
int32_t SectorCount(std::string_view text) {
    int32_t count = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc{} || end != text.data() + text.size()) return 0;
    return count >= 0 && count <= INIClass::kMostSectors ? count : 0;
}

}  // namespace

void INIClass::Init(std::string_view fileName, INIStorage /*storage*/) {
    fileName_ = fileName;
    sectors_ = SectorCount(platform::GetPrivateProfileString(kSection, kSectorsKey, "0", fileName_));
    started_ = true;
}

void INIClass::Kill() {
    if (!started_) return;
    started_ = false;
    // A failed write is not reported: the file keeps its previous entry.
    platform::WritePrivateProfileString(kSection, kSectorsKey, std::to_string(sectors_), fileName_);
}
