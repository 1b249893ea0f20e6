// Start-up and shutdown of the network library.
//
// The program's main procedure constructs one NetStartupType first thing
// (after setting the command line, which the logging switches are read from)
// and lets it go out of scope last: its constructor runs DLLStartUp, its
// destructor DLLShutDown. Doing this explicitly rather than from a static
// object keeps the order of start-up certain and lets tests start and stop
// the library as often as they need.
#pragma once

#include <cstdint>

#include "netcore/net_memory.h"

/// The library's start-up object: a constructor and a destructor only. First thread.
class NetStartupType {
public:
    NetStartupType();
    ~NetStartupType();
    NetStartupType(const NetStartupType&) = delete;
    NetStartupType& operator=(const NetStartupType&) = delete;
};

/// Steps 1-9 of start-up: lock, logging switches, system information, registry
/// identity, media sense, sockets layer, local host name. First thread.
void DLLStartUp();
/// Shutdown: every socket closed, the sockets layer stopped. First thread.
void DLLShutDown();

/// Collects the operating system's name, version and build (start-up line only).
void GetWindowsVersion();
/// The library's identity under HKEY_CURRENT_USER\Software\Sparlin\GUID.
void RegistryProcessing();
/// Switches DHCP media sense off unless told not to.
void DisableMediaSense();
/// Starts the sockets layer (2.0, then 1.1) and learns the local host name.
void WinsockInit();

namespace NETDLL {

/// What shutdown needs from the layer above (the callback window), set by
/// that layer when it is linked in. Null entries are skipped.
struct ShutdownHooksType {
    /// Closes every socket of the library and empties its lists.
    void (*CloseAll)() = nullptr;
    /// Asks a running callback window to close down and waits for its thread;
    /// called without the lock, before shutdown takes it.
    void (*StopCallBackWindow)() = nullptr;
};

/// The sockets layer's start-up record as the last start call filled it.
struct NetWSADataType {
    VersionType WVersion;
    uint8_t HighMajor = 0;
    uint8_t HighMinor = 0;
    char SzDescription[257] = {};
    char SzSystemStatus[129] = {};
    uint16_t IMaxSockets = 0;
    uint16_t IMaxUdpDg = 0;
    const char* LpVendorInfo = nullptr;
};

}  // namespace NETDLL

/// Any thread may call, normally once during static initialisation.
void NetSetShutdownHooks(const NETDLL::ShutdownHooksType& hooks);

/// Guarded by the library lock; filled by WinsockInit.
extern NETDLL::NetWSADataType NetWSAData;
