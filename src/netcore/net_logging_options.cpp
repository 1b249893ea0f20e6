// The library's logging switches and its banner.
#include <algorithm>
#include <cctype>
#include <string>

#include "netcore/net_critical.h"
#include "netcore/net_log.h"
#include "netcore/net_log_testing.h"
#include "netcore/net_memory.h"
#include "platform/command_line.h"

int32_t (*GetOurHostNameAndIPHook)(int32_t noDebugInfo) = nullptr;

namespace {

// Written under the library lock only.
bool gLibraryBannerWritten = false;

constexpr std::string_view kLibraryName = "SPARLIN";

constexpr std::string_view kLibraryInfoLine =
    "[NetDLL] NetDLL Info: NetDLL:CompatableVersion = 12 Net:MaxBinData = 16384 "
    "MaxDataPacketSize = 16732 MaxICanDoPacketSize =  1252 MaxAckPacketSize = 9060 "
    "PacketInfoLen = 24 ICanDoHeaderLen = 68 DataHeaderLen = 108 AckHeaderLen = 60 "
    "AckDataLen = 9 MaxAcksInPackets = 1000 Size(Net:PacketType) = 16956 "
    "Size(Net:PublicServicesQType) = 596 Size(Net:ServiceType) = 348 Size(Net:RemoteType) = 148";

void WriteLibraryBanner() {
    NetDebugTrace(NetBannerSeparatorLine());
    NetDebugTrace("[NetDLL] Using Sparlin DLL version = 4.23 in application " + NetProgramName() +
                  " : Sparlin DLL Logging turned On ");
    NetDebugTrace(kLibraryInfoLine);
    NetDebugTrace(NetBannerRuntimeLine());
}

/// Writes and empties the calling thread's start-up list, oldest entry first.
void ReplayStartUpList() {
    while (!NetLogQ.empty()) {
        std::string line = "[NetDLL]  [Past Info] ";
        line += NetLogQ.front().Entry.View();
        NetLogQ.pop_front();
        NetDebugTrace(line);
    }
}

/// Steps 2-5 of NetTurnOnLogging; the caller holds the lock.
void ReadLibrarySwitches() {
    if (platform::HasSwitch("/netdlllog")) NetMemory.Logging = 1;
    if (platform::HasSwitch("/netdlllogerrors")) {
        NetMemory.LogErrors = 1;
        NetMemory.LogAll = 0;
        NetMemory.Logging = 0;
        WriteToLog("======== DLL Logging : Errors only (/netdlllogerrors) option on ========", "NetTurnOnLogging",
                   NET::ErrorLine);
    }
    if (platform::HasSwitch("/netdlllogall")) {
        NetMemory.LogAll = 1;
        WriteToLog("Log All (/netdlllogall) option on", "NetTurnOnLogging", NET::ErrorLine);
    }
    if (NetMemory.Logging != 1) return;
    if (!gLibraryBannerWritten) {
        gLibraryBannerWritten = true;
        WriteLibraryBanner();
    }
    ReplayStartUpList();
    if (NetMemory.WinsockInit == 1 && GetOurHostNameAndIPHook != nullptr) GetOurHostNameAndIPHook(0);
}

}  // namespace

std::string NetProgramName() {
    std::string name(platform::TrimRight(platform::CommandItem(0)));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

std::string NetRuntimeNameAndVersion() {
#if defined(__clang__)
    std::string text = "Clang C++ " __clang_version__;
#elif defined(__GNUC__)
    std::string text = "GNU C++ " __VERSION__;
#else
    std::string text = "C++";
#endif
#if defined(_GLIBCXX_RELEASE)
    text += " (libstdc++ " + std::to_string(_GLIBCXX_RELEASE) + ")";
#endif
    return text;
}

std::string NetBannerSeparatorLine() {
    std::string line = "[NetDLL] ===== [";
    line += kLibraryName;
    line += "] ";
    line.append(79, '=');
    return line;
}

std::string NetBannerRuntimeLine() { return "[NetDLL] Sparlin (DLL) using " + NetRuntimeNameAndVersion(); }

void LoggingOptions() {
    if (!platform::HasSwitch("/netnolog")) {
        if (platform::HasSwitch("/netall")) platform::AppendToCommandLine(" /netdebugtrace /netdlllogall /sparlinlog");
        if (platform::HasSwitch("/neterrors"))
            platform::AppendToCommandLine(" /netdebugtrace /netdlllogerrors /sparlinlogerrors");
    }
    NetTurnOnLogging();
}

int32_t NetTurnOnLogging() {
    NetCriticalHold hold;
    if (!platform::HasSwitch("/netnolog")) ReadLibrarySwitches();
    return 0;
}

void ResetNetLoggingForTests() {
    NetCriticalHold hold;
    NetMemory.Logging = 0;
    NetMemory.LogAll = 0;
    NetMemory.LogErrors = 0;
    gLibraryBannerWritten = false;
    gNetLogging.LoggingOn = 0;
    gNetLogging.LoggingErrorsOnly = 0;
    gNetLogging.LoggingFirstTime = 0;
    gNetLogging.LogCommandOptionsSet = 0;
    NetLogQ.clear();
}
