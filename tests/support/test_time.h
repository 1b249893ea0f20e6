// Times of day and scratch folders as the tests write them.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace testsupport {

/// Time of day in hundredths from midnight plus 1, the clock's own scale.
constexpr int32_t At(int h, int m, int s, int cc = 0) { return h * 360000 + m * 6000 + s * 100 + cc + 1; }

/// A new empty folder under the system's temporary folder; the caller removes it.
inline std::filesystem::path MakeTempDir(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary directory");
    return pattern;
}

}  // namespace testsupport
