// The network library's trace: library lines, start-up lines and the switches
// that turn them on. Every line goes to the debug output (platform/debug_output.h),
// one whole line per call, never to a file.
//
// Kinds of library line, by how a caller decides to write one:
//   detail line  - composed only when NetMemory.LogAll is 1, written via WriteToLog;
//   normal line  - composed only when NetMemory.Logging is 1 (or always, with type 0);
//   error line   - composed always, WriteToLog(..., kNetErrorLine);
//   start-up line- AddToLog, kept in the thread's NetLogQ and replayed later;
//   trace line   - NetDebugTrace, written whatever the switches.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "platform/fixed_text.h"

namespace NET {
/// ErrorType of a library error line: written when Logging or LogErrors is 1.
inline constexpr int32_t ErrorLine = 100;
}  // namespace NET

namespace NETDLL {

/// One entry of a thread's start-up list.
struct NetLogQType {
    platform::BlankPadded<1024> Entry;
};

/// Process-wide switches of object logging (the connection objects' lines).
/// Atomic because objects on any thread read and set them without the lock.
struct NetLoggingType {
    std::atomic<int32_t> LoggingOn{0};
    std::atomic<int32_t> LoggingErrorsOnly{0};
    std::atomic<int32_t> LoggingFirstTime{0};      ///< 1 once the object banner was written
    std::atomic<int32_t> LogCommandOptionsSet{0};  ///< 1 once the command line was read
};

}  // namespace NETDLL

extern NETDLL::NetLoggingType gNetLogging;

/// The start-up list of the calling thread; created with the thread, released
/// when it ends, and touched only by its own thread.
extern thread_local std::deque<NETDLL::NetLogQType> NetLogQ;

/// Writes `comment` as one line to the debug output, whatever the switches; never cut.
/// Returns 0. Any thread may call; takes no lock.
int32_t NetDebugTrace(std::string_view comment);

/// The library line writer: when Logging is 1, or LogErrors is 1 and `errorType`
/// is NET::ErrorLine, writes "[NetDLL] [<thread>] <function>() : <text>".
/// Any thread may call; takes no lock.
void WriteToLog(std::string_view logString, std::string_view functionName, int32_t errorType);

/// A start-up line: kept in the calling thread's NetLogQ and, when Logging is
/// exactly 1, written at once as "[NetDLL] <text>".
void AddToLog(std::string_view text);

/// Settles the library's logging switches at start-up: expands "/netall" and
/// "/neterrors" on the command line, then runs NetTurnOnLogging.
/// Runs on the first thread during library start-up.
void LoggingOptions();

/// Reads the library switches from the command line under the library lock,
/// writes the library banner the first time logging is on and replays the
/// calling thread's start-up list. The result is always 0.
int32_t NetTurnOnLogging();

/// Set by the host-names module: refreshes the local host name and addresses
/// (GetOurHostNameAndIP). NetTurnOnLogging calls it, with the lock held, when
/// logging is on and the sockets layer is started; while it is null nothing is refreshed.
extern int32_t (*GetOurHostNameAndIPHook)(int32_t noDebugInfo);

/// The program's own name as the banners show it: item 0 of the command line, lower case.
std::string NetProgramName();
/// The language runtime the library was built with, e.g. "GNU C++ 12.2.0 (libstdc++ 12)".
std::string NetRuntimeNameAndVersion();
/// Library banner line 1 (the separator) and line 4 (the runtime); the shutdown trace repeats them.
std::string NetBannerSeparatorLine();
std::string NetBannerRuntimeLine();
