#include "platform/command_line.h"

#include <algorithm>
#include <cctype>
#include <mutex>
#include <sstream>

namespace platform {
namespace {

std::mutex gMutex;
std::string gLine;

std::vector<std::string> Items(const std::string& line) {
    std::vector<std::string> items;
    std::istringstream in(line);
    for (std::string item; in >> item;) items.push_back(item);
    return items;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

void SetCommandLine(int argc, const char* const* argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i) line += ' ';
        line += argv[i];
    }
    SetCommandLine(line);
}

void SetCommandLine(std::string_view line) {
    std::lock_guard lock(gMutex);
    gLine = line;
}

std::string CommandLine() {
    std::lock_guard lock(gMutex);
    return gLine;
}

std::string CommandItem(std::size_t n) {
    auto items = Items(CommandLine());
    return n < items.size() ? items[n] : std::string{};
}

bool HasSwitch(std::string_view switchText) {
    auto items = Items(CommandLine());
    return std::any_of(items.begin(), items.end(),
                       [&](const std::string& item) { return StartsWithNoCase(item, switchText); });
}

void AppendToCommandLine(std::string_view text) {
    std::lock_guard lock(gMutex);
    auto end = gLine.find_last_not_of(' ');
    gLine.erase(end == std::string::npos ? 0 : end + 1);
    gLine += text;
}

}  // namespace platform
