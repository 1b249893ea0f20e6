// The start-up and closing banners of the program's trace.
#include <unistd.h>

#include <array>
#include <cctype>
#include <string>

#include "app/program.h"
#include "platform/command_line.h"
#include "platform/fixed_text.h"

namespace app {
namespace {

constexpr std::string_view kPrefix = "[Sparlin Template] ";

/// The language runtime the program was built with, as "name major.minor".
std::string RuntimeNameAndVersion() {
#if defined(__clang__)
    return "Clang C++ " + std::to_string(__clang_major__) + "." + std::to_string(__clang_minor__);
#elif defined(__GNUC__)
    return "GNU C++ " + std::to_string(__GNUC__) + "." + std::to_string(__GNUC_MINOR__);
#else
    return "C++ " + std::to_string(__cplusplus / 100) + "." + std::to_string(__cplusplus % 100);
#endif
}

std::string Line(std::string_view text) { return std::string(kPrefix) + std::string(text); }

}  // namespace

bool BannerWanted() {
    if (platform::HasSwitch("/netnolog")) return false;
    for (std::string_view s : {"/sparlinlog", "/sparlinlogerrors", "/neterrors", "/netall"})
        if (platform::HasSwitch(s)) return true;
    return false;
}

std::vector<std::string> StartUpBanner(std::string_view programPath) {
    return {Line("Sparlin Template version 4.24"), Line("Sparlin Template using " + RuntimeNameAndVersion()),
            Line("Sparlin Object version 4.24 in application " + std::string(programPath)),
            Line("Brackwater Window Template Chain")};
}

std::vector<std::string> ClosingBanner(std::string_view programPath) {
    auto lines = StartUpBanner(programPath);
    lines.resize(2);
    lines.push_back(Line("Closing Down Sparlin (Object) version 4.24 in application " + std::string(programPath)));
    return lines;
}

std::string ProgramPathForBanner() {
    std::array<char, 4096> buffer{};
    ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    std::string path =
        length > 0 ? std::string(buffer.data(), static_cast<std::size_t>(length)) : platform::CommandItem(0);
    path = std::string(platform::TrimRight(path));
    for (char& c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return path;
}

}  // namespace app
