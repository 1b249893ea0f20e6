#include "netcore/net_log.h"

#include <string>

#include "netcore/net_memory.h"
#include "platform/debug_output.h"
#include "platform/threads.h"

constinit NETDLL::NetLoggingType gNetLogging;

thread_local std::deque<NETDLL::NetLogQType> NetLogQ;

int32_t NetDebugTrace(std::string_view comment) {
    // The debug output takes any length in one call, so a long line is never cut.
    platform::DebugOutput(comment);
    return 0;
}

void WriteToLog(std::string_view logString, std::string_view functionName, int32_t errorType) {
    const bool wanted = NetMemory.Logging == 1 || (NetMemory.LogErrors == 1 && errorType == NET::ErrorLine);
    if (!wanted) return;
    std::string line = "[NetDLL] [";
    line += std::to_string(platform::ThisThread());
    line += "] ";
    line += platform::TrimRight(functionName);
    line += "() : ";
    line += platform::TrimRight(logString);
    NetDebugTrace(line);
}

void AddToLog(std::string_view text) {
    NETDLL::NetLogQType entry;
    entry.Entry.SetText(text);  // a long line loses whole characters only
    NetLogQ.push_back(entry);
    if (NetMemory.Logging != 1) return;
    std::string line = "[NetDLL] ";
    line += platform::TrimRight(text);
    NetDebugTrace(line);
}
