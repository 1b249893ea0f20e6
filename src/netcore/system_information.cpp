// GetWindowsVersion on Linux: the product name, version and build come from
// the registry values a Windows installation keeps, when present, and from
// uname() otherwise (system name, release, build string), kept in the same
// fields. The values serve the trace only.
#include "netcore/system_information.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "netcore/net_log.h"
#include "netcore/net_memory.h"
#include "netcore/net_registry.h"
#include "netcore/net_startup.h"

namespace {

constexpr std::string_view kWindowsKey = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr std::string_view kWindowsNTKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";

/// Reads `entry` of the first key, or `ntEntry` of the second when the first gave nothing.
std::string WindowsValue(std::string_view entry, std::string_view ntEntry) {
    uint8_t found = 0;
    std::string text = NetGetRegistry(NET::HKEY_LOCAL_MACHINE, kWindowsKey, entry, NET::REG_SZ, found);
    if (text.empty()) text = NetGetRegistry(NET::HKEY_LOCAL_MACHINE, kWindowsNTKey, ntEntry, NET::REG_SZ, found);
    return text;
}

/// Major and minor number of the running system ("6.1.0-18-amd64" gives 6 and 1).
std::pair<int, int> SystemVersion() {
    utsname names{};
    if (uname(&names) != 0) return {0, 0};
    int major = 0;
    int minor = 0;
    std::sscanf(names.release, "%d.%d", &major, &minor);
    return {major & 0xFF, minor & 0xFF};
}

/// A desktop reached from elsewhere: this session came in over SSH.
bool RemoteSession() {
    const char* ssh = std::getenv("SSH_CONNECTION");
    return ssh != nullptr && *ssh != '\0';
}

std::string UpTime() {
    struct sysinfo info {};
    const long seconds = sysinfo(&info) == 0 ? info.uptime : 0;
    const long minutes = seconds / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%ldd %ldh %02ldm", minutes / 1440, (minutes / 60) % 24, minutes % 60);
    return text;
}

}  // namespace

std::string WindowsInformationText(bool startUp) {
    const auto [major, minor] = SystemVersion();
    std::string line = startUp ? " Windows Information.  WindowsName = [" : "Windows Information. WindowsName = [";
    line += NetMemory.RegWindowsName.Str() + "] WindowsVersion = [" + NetMemory.RegWindowsVersion.Str() +
            "] WindowsBuildNumber = [" + NetMemory.RegWindowsBuildNumber.Str() +
            "] GetVersion = " + std::to_string(major) + " GetVersionRelease = " + std::to_string(minor);
    if (startUp) line += " Is_Term = " + std::to_string(NetMemory.IsTerm);
    line += " SystemRoot = " + NetMemory.RegSystemRoot.Str() +
            " RegOrganization = " + NetMemory.RegRegisteredOrg.Str() +
            " RegOwner = " + NetMemory.RegRegisteredOwner.Str() + " Up_Time = " + UpTime();
    return line;
}

void GetWindowsVersion() {
    utsname names{};
    const bool known = uname(&names) == 0;
    auto orSystem = [known](std::string value, const char* system) {
        return !value.empty() || !known ? value : std::string(system);
    };
    NetMemory.RegWindowsName = orSystem(WindowsValue("ProductName", "ProductName"), names.sysname);
    NetMemory.RegWindowsVersion = orSystem(WindowsValue("Version", "CurrentVersion"), names.release);
    NetMemory.RegWindowsBuildNumber = orSystem(WindowsValue("VersionNumber", "CurrentBuildNumber"), names.version);
    NetMemory.RegSystemRoot = orSystem(WindowsValue("SystemRoot", "SystemRoot"), "/");
    NetMemory.RegRegisteredOrg = WindowsValue("RegisteredOrganization", "RegisteredOrganization");
    NetMemory.RegRegisteredOwner = WindowsValue("RegisteredOwner", "RegisteredOwner");
    NetMemory.IsTerm = RemoteSession() ? 1 : 0;
    AddToLog(WindowsInformationText(true));
}
