// Starting the sockets layer: version 2.0 asked for first, then 1.1.
#include <string>

#include "netcore/host_names.h"
#include "netcore/net_codes.h"
#include "netcore/net_error_str.h"
#include "netcore/net_log.h"
#include "netcore/net_memory.h"
#include "netcore/net_startup.h"
#include "platform/sockets.h"

namespace {

std::string Version(int major, int minor) { return std::to_string(major) + "." + std::to_string(minor); }

/// The version, description, status and size details of a start attempt.
std::string StartDetails(const platform::WSAData& data) {
    return " WinSock Asked Version = " + Version(NetMemory.WVersion.Major, NetMemory.WVersion.Minor) +
           " WinSock Version = " + Version(data.VersionMajor, data.VersionMinor) +
           " HighVersion = " + Version(data.HighMajor, data.HighMinor) + " Description = " + data.szDescription.data() +
           " SystemStatus = " + data.szSystemStatus.data() +
           " Max Sockets Data Size = " + std::to_string(data.iMaxSockets) +
           " Max DG Data Size = " + std::to_string(data.iMaxUdpDg);
}

int32_t StartAttempt(uint8_t major, uint8_t minor, platform::WSAData& data) {
    NetMemory.WVersion = {major, minor};
    return platform::WSAStartup(major, minor, data);
}

void KeepStartRecord(const platform::WSAData& data) {
    NetWSAData.WVersion = {data.VersionMajor, data.VersionMinor};
    NetWSAData.HighMajor = data.HighMajor;
    NetWSAData.HighMinor = data.HighMinor;
    std::copy(data.szDescription.begin(), data.szDescription.end(), NetWSAData.SzDescription);
    std::copy(data.szSystemStatus.begin(), data.szSystemStatus.end(), NetWSAData.SzSystemStatus);
    NetWSAData.IMaxSockets = data.iMaxSockets;
    NetWSAData.IMaxUdpDg = data.iMaxUdpDg;
    NetWSAData.LpVendorInfo = data.lpVendorInfo;
}

void StartFailed(int32_t code, const platform::WSAData& data) {
    AddToLog(" DLLStartUp() : WSA Startup error: " + std::to_string(code) + " Which means = " + NetErrorStr(code) +
             StartDetails(data));
    const int32_t last = platform::WSAGetLastError();
    AddToLog(" DLLStartUp() : WSA Startup error (after calling WSAGetLastError()): " + std::to_string(last) +
             " Which means = " + NetErrorStr(last));
    if (last == 0)
        AddToLog(" DLLStartUp() : Warning. loc:ret = 0 after WSAStartUp Failed. Setting loc:ret = " +
                 std::to_string(NET::kCouldNotLoad));
}

/// Judges the version the started layer reports.
void Started(const platform::WSAData& data) {
    AddToLog(" DLLStartUp() : WSA Startup Okay : " + StartDetails(data));
    if (data.VersionMajor > 1) {
        AddToLog(" DLLStartUp() : Cool. WinSock version 2.0 supported.");
        NetMemory.Winsock2Supported = 1;
        NetMemory.WinsockInit = 1;
    } else if (data.VersionMajor == 1 && data.VersionMinor >= 1) {
        AddToLog(
            " DLLStartUp() : Warning. WinSock version 2.0 NOT supported. Will only be able to use WinSock version "
            "1.1 functionality in Sparlin");
        NetMemory.Winsock2Supported = 0;
        NetMemory.WinsockInit = 1;
    } else {
        AddToLog(" DLLStartUp() : Error. WinSock version 1.1 NOT supported. Setting loc:ret = " +
                 std::to_string(NET::kCouldNotLoad) + " (ERROR:CouldNotLoad)");
        NetMemory.Winsock2Supported = 0;
        NetMemory.WinsockInit = 0;
    }
}

}  // namespace

void WinsockInit() {
    AddToLog(" DLLStartUp() : About to call WSAStartUp");
    platform::WSAData data;
    int32_t code = StartAttempt(2, 0, data);
    if (code != 0) {
        AddToLog(
            " DLLStartUp() : WSA Startup error while trying to load WinSock 2.0, will try load WinSock 1.1 instead");
        code = StartAttempt(1, 1, data);
    }
    KeepStartRecord(data);
    if (code != 0) {
        StartFailed(code, data);
        return;
    }
    Started(data);
    GetOurHostNameAndIP(0);
    if (QAutoLocalIPs.empty())
        AddToLog(" DLLStartUp() : Error. This machine has no IP number. Sparlin wont work without an IP address.");
}
