// The framework's settings manager. It keeps one bookkeeping entry of its own
// in the settings file: "Sectors" of section "__Dont_Touch_Me__", the number
// of records in its list. This program puts nothing in that list, so the
// manager reads the number at start and writes it back unchanged at the end
// (0 for a file only this program writes).
//
// Window thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace window {

class INIClass {
public:
    /// Binds the manager to `fileName` and reads its entry.
    void Init(std::string_view fileName);
    /// Writes its entry back.
    void Kill();
    int32_t Sectors() const { return sectors_; }
    const std::string& FileName() const { return fileName_; }

private:
    std::string fileName_;
    int32_t sectors_ = 0;
    bool started_ = false;
};

}  // namespace window
