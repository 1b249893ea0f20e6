// NetMemory: the network library's process-wide record of settings and state.
//
// Shared by the window thread and the callback thread: touch it only while
// holding the library lock (netcore/net_critical.h). The exceptions are the
// logging switches Logging, LogAll and LogErrors, which are set once during
// library start-up, before any other thread of the library exists, and are
// read without the lock afterwards.
#pragma once

#include <cstdint>

#include "platform/fixed_text.h"

namespace NETDLL {

struct VersionType {
    uint8_t Major = 0;
    uint8_t Minor = 0;
};

/// Identity of this program instance for the peer-messaging service.
struct NetIDType {
    int32_t GUID1 = 0;
    int32_t GUID2 = 0;
    int32_t RunID = 0;
    uint16_t SPort = 0;
    uint16_t DGPort = 0;
};

struct NetMemoryType {
    // Logging switches (all 0 unless a command-line switch sets them).
    int32_t Logging = 0;    ///< library lines are written
    int32_t LogAll = 0;     ///< detail lines are composed and written (with Logging)
    int32_t LogErrors = 0;  ///< error lines are written even when Logging is 0

    // Callback window and its timers (hundredths of a second).
    int32_t CallBackWindowLoaded = 0;
    int32_t CallBackWindowThread = 0;
    int32_t WindowLoaderThread = 0;
    int32_t CallBackWindowClientHandle = 0;
    int32_t CallBackWindowMainSavedProc = 0;
    int32_t CallBackWindowClientSavedProc = 0;
    int32_t GeneralTimer = 100;
    int32_t ShortTimerInterval = 1000;
    int32_t ShortTimerCounter = 0;
    int32_t MediumTimerInterval = 2000;
    int32_t MediumTimerCounter = 0;
    int32_t LongTimerInterval = 120000;
    int32_t LongTimerCounter = 0;
    int32_t InactiveServicesTimerCounter = 0;
    int32_t IAmAService = 0;
    int32_t DLLClosedDown = 0;

    // Sockets layer start-up.
    int32_t WinsockInit = 0;
    int32_t Winsock2Supported = 0;
    VersionType WVersion;

    // Identity and description of this machine.
    NetIDType NetID;
    platform::ZeroTerminated<80> Description;
    platform::ZeroTerminated<80> HostName;
    platform::ZeroTerminated<80> NetName;
    platform::BlankPadded<52> RegWindowsName;
    platform::BlankPadded<52> RegWindowsVersion;
    platform::BlankPadded<52> RegWindowsBuildNumber;
    platform::BlankPadded<260> RegSystemRoot;
    platform::BlankPadded<100> RegRegisteredOrg;
    platform::BlankPadded<100> RegRegisteredOwner;
    int32_t IsTerm = 0;
    uint16_t DefaultSPort = 2376;
    uint16_t DefaultDGPort = 2326;
    int32_t DUNLibLoaded = 0;
    int32_t DUNModuleHandle = 0;
    int32_t IPHelperLibLoaded = 0;
    int32_t IPHelperModuleHandle = 0;
    platform::BlankPadded<24> SocketLink;

    // Socket engine counters and options.
    int32_t SockID = 0;
    int32_t NetSimpleDebugPacketNumber = 0;
    int32_t NextSimplePacketID = 0;
    int32_t CountSimpleAsyncOpens = 0;
    int32_t CountSimpleAsyncDNS = 0;
    int32_t NetSimpleInactiveUsed = 0;
    int32_t SimpleClientOptimizeFD_WriteFix = 1;
    int32_t SimpleClientOptimizeFD_ReadFix = 1;
    int32_t GracefulCloseLingerType = 128;  // SO_LINGER
    int32_t GracefulCloseLingerValue = 1;
    int32_t GracefulCloseLingerTime = 3;
    int32_t AbortiveCloseLingerType = -129;  // SO_DONTLINGER
    int32_t AbortiveCloseLingerValue = 0;
    int32_t AbortiveCloseLingerTime = 0;
    int32_t SimpleClosingSocketsInterval = 30000;
    int32_t BytesSent = 0;
    int32_t BytesReceived = 0;
};

}  // namespace NETDLL

extern NETDLL::NetMemoryType NetMemory;
