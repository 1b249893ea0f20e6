// The window framework's settings manager: it keeps one bookkeeping entry of
// its own, "Sectors" of section "__Dont_Touch_Me__", in the program's
// settings file, read when the program starts and written back when it ends.
// This program adds nothing to the manager's list, so the entry holds
// whatever count the file had (0 in a file only this program writes).
//
// Window thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

/// How the manager stores its entries; only plain settings-file storage exists.
enum class INIStorage { Plain };

class INIClass {
public:
    /// Binds the manager to `fileName` and reads its bookkeeping entry.
    void Init(std::string_view fileName, INIStorage storage = INIStorage::Plain);
    /// Writes the bookkeeping entry back; a second call does nothing.
    void Kill();

    /// The number of records in the manager's list.
    int32_t Sectors() const { return sectors_; }
    bool Started() const { return started_; }
    const std::string& FileName() const { return fileName_; }

    static constexpr std::string_view kSection = "__Dont_Touch_Me__";
    static constexpr std::string_view kSectorsKey = "Sectors";
    /// A count beyond this is not one the manager wrote; it reads as 0.
    static constexpr int32_t kMostSectors = 100000;

private:
    std::string fileName_;
    int32_t sectors_ = 0;
    bool started_ = false;
};

/// The program's settings manager, bound to ".\Brackwater.INI" at start-up.
extern INIClass INIMgr;
