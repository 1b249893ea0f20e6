// Library start-up and shutdown, in the order the library relies on: the
// logging switches first, so every later start-up line can be written.
#include "netcore/net_startup.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <string>

#include "netcore/host_names.h"
#include "netcore/net_critical.h"
#include "netcore/net_log.h"
#include "netcore/system_information.h"
#include "platform/command_line.h"
#include "platform/sockets.h"
#include "platform/threads.h"

NETDLL::NetWSADataType NetWSAData;

namespace {

// Set during static initialisation by the layer above; read at shutdown.
constinit NETDLL::ShutdownHooksType gShutdownHooks;

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

/// The full path of the program's own executable, in lower case.
std::string ProgramPath() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return NetProgramName();
    return LowerCase(std::string(path, static_cast<std::size_t>(length)));
}

void ShutdownTraceStart() {
    NetDebugTrace("[NetDLL] [" + std::to_string(platform::ThisThread()) +
                  "] DLLShutDown(). About to try and unload NetDLL.");
}

void ShutdownTraceEnd() {
    NetDebugTrace("[NetDLL] " + WindowsInformationText(false));
    NetDebugTrace("[NetDLL] Sparlin DLL version 4.23 in application " + ProgramPath());
    NetDebugTrace(NetBannerRuntimeLine());
    NetDebugTrace("[NetDLL] Unloaded Sparlin DLL.");
    NetDebugTrace(NetBannerSeparatorLine());
}

}  // namespace

void NetSetShutdownHooks(const NETDLL::ShutdownHooksType& hooks) { gShutdownHooks = hooks; }

NetStartupType::NetStartupType() { DLLStartUp(); }

NetStartupType::~NetStartupType() { DLLShutDown(); }

void DLLStartUp() {
    auto* lock = NetGet_NetCriticalSection();
    lock->Wait(-50);
    GetOurHostNameAndIPHook = &GetOurHostNameAndIP;
    LoggingOptions();
    GetWindowsVersion();
    RegistryProcessing();
    // The peer-messaging link value is built only for a service this program never starts.
    if (!platform::HasSwitch("/leavemediasense")) DisableMediaSense();
    AddToLog(" NetDLL Info: GUID = " + std::to_string(NetMemory.NetID.GUID1) + " " +
             std::to_string(NetMemory.NetID.GUID2) + " RunID = " + std::to_string(NetMemory.NetID.RunID) +
             " Description = " + std::string(NetMemory.Description.View()));
    WinsockInit();
    lock->Release(-51);
}

void DLLShutDown() {
    // At process end the callback thread is asked to finish first; it needs the lock to do so.
    if (gShutdownHooks.StopCallBackWindow) gShutdownHooks.StopCallBackWindow();
    NetCriticalHold hold;
    const bool trace = platform::HasSwitch("/netdebugtrace");
    if (trace) ShutdownTraceStart();
    if (NetMemory.LogAll == 1) WriteToLog("About to try and unload NetDLL.", "DLLShutDown", 0);
    // No dial-up library is ever loaded by this program.
    NetMemory.DUNLibLoaded = 0;
    if (gShutdownHooks.CloseAll) gShutdownHooks.CloseAll();
    if (NetMemory.WinsockInit == 1) {
        platform::WSACleanup();
        NetMemory.WinsockInit = 0;
    }
    if (trace) ShutdownTraceEnd();
}
