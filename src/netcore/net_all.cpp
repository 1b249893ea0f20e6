#include "netcore/net_all.h"

#include "netcore/net_log.h"
#include "platform/command_line.h"
#include "platform/debug_output.h"
#include "platform/threads.h"

namespace {

constexpr std::string_view kErrorsOnlyLine = "======== Object Logging : Errors only (/sparlinlogerrors) ========";

/// Reads the object switches into gNetLogging; true when errors only was chosen.
bool ReadObjectSwitches() {
    if (platform::HasSwitch("/netnolog")) return false;
    if (platform::HasSwitch("/sparlinlog") || platform::HasSwitch("/netall")) gNetLogging.LoggingOn = 1;
    if (!platform::HasSwitch("/sparlinlogerrors") && !platform::HasSwitch("/neterrors")) return false;
    // Errors only wins over full logging, as on the library side.
    gNetLogging.LoggingErrorsOnly = 1;
    gNetLogging.LoggingOn = 0;
    return true;
}

}  // namespace

NetAll_::NetAll_() { NetAll_::LoggingSetup_(); }

void NetAll_::LoggingSetup_() {
    bool errorsOnlyChosen = false;
    if (gNetLogging.LogCommandOptionsSet.exchange(1) == 0) errorsOnlyChosen = ReadObjectSwitches();
    LoggingOn = gNetLogging.LoggingOn;
    LoggingErrorsOnly = gNetLogging.LoggingErrorsOnly;
    // Written once the object carries the switches, so that the line itself passes them.
    if (errorsOnlyChosen) Log(kErrorsOnlyLine, "", NET::ObjectErrorLine);
    if (LoggingOn == 1) Log("Initialisation", "_NetAll._LoggingSetup", NET::ObjectNormalLine);
}

void NetAll_::LoggingFirstTime_() {
    Log("Using Sparlin (Object) version 4.24 in application " + NetProgramName(), "", NET::ObjectNormalLine);
    Log("Sparlin (Object) Information: Net:MaxBinData = 16384 Size(Net:PacketType) = 16956 "
        "Size(Net:PublicServicesQType) = 596 Size(Net:ServiceType) = 348 Size(Net:RemoteType) = 148",
        "", NET::ObjectNormalLine);
    Log("Sparlin (Object) using " + NetRuntimeNameAndVersion(), "", NET::ObjectNormalLine);
}

bool NetAll_::LogWanted(int32_t errorType) const {
    if (errorType == NET::ObjectAlwaysLine || LoggingOn != 0) return true;
    return LoggingErrorsOnly != 0 && errorType == NET::ObjectErrorLine;
}

void NetAll_::Log(std::string_view logString, std::string_view functionName, int32_t errorType) {
    if (!LogWanted(errorType)) return;
    if (gNetLogging.LoggingFirstTime.exchange(1) == 0) LoggingFirstTime_();
    std::string line = "[Net] [";
    line += std::to_string(platform::ThisThread());
    line += "] ";
    line += platform::TrimRight(functionName);
    line += " - ";
    line += platform::TrimRight(logString);
    platform::DebugOutput(line);
}

void NetAll_::Wait_(int32_t count) {
    if (NoCritSectionPointer_ == 1) return;
    if (NetCritical_ == nullptr) {
        NetCritical_ = NetGet_NetCriticalSection();
        if (NetCritical_ == nullptr) {
            NoCritSectionPointer_ = 1;
            Log("Error. Could not get address of Critical Section from the Sparlin DLL.", "_NetAll.Wait",
                NET::ObjectErrorLine);
            return;
        }
    }
    NetCritical_->Wait(count);
}

void NetAll_::Release_(int32_t count) {
    if (NoCritSectionPointer_ == 1) return;
    if (NetCritical_ == nullptr) {
        Log("Error. Calling _NetAll._Release() before calling Wait().", "_NetAll.Release", NET::ObjectErrorLine);
        return;
    }
    NetCritical_->Release(count);
}
