// NetAll_: base class of the library's connection objects. It carries the
// object's error state, writes the object's own trace lines ("[Net] ...")
// under the object switches, and gives the object access to the library lock.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "netcore/net_critical.h"
#include "platform/fixed_text.h"

namespace NET {
/// ErrorType values of NetAll_::Log.
inline constexpr int32_t ObjectNormalLine = 0;
inline constexpr int32_t ObjectErrorLine = 1;
inline constexpr int32_t ObjectAlwaysLine = 2;  ///< written whatever the switches
}  // namespace NET

/// A connection object lives on one thread (its owner), which alone calls its
/// methods; only the lock it reaches through Wait_/Release_ is shared.
class NetAll_ {
public:
    /// Reads the object switches (the first object of the process reads the
    /// command line) and copies them into this object.
    NetAll_();

    /// The object line writer: "[Net] [<thread>] <function> - <text>".
    /// `errorType` is NET::ObjectNormalLine, ObjectErrorLine or ObjectAlwaysLine.
    virtual void Log(std::string_view logString, std::string_view functionName, int32_t errorType);
    /// True when the base Log writes a line of `errorType` for this object, so
    /// a caller can skip composing a line that nobody will see.
    bool LogWanted(int32_t errorType) const;
    /// The text for this object's Error (with WinSockError/SSLError where needed); at most 512 characters.
    virtual std::string InterpretError();
    /// Takes the library lock for this object; `count` is the caller's tag (-50).
    virtual void Wait_(int32_t count);
    /// Releases the library lock taken by Wait_; `count` is the caller's tag (-51).
    virtual void Release_(int32_t count);
    /// Settles this object's logging switches; run by the constructor.
    virtual void LoggingSetup_();
    /// Writes the object banner; run before the first object line of the process.
    virtual void LoggingFirstTime_();

    virtual ~NetAll_() = default;

    int32_t Error = 0;         ///< library (negative) or sockets (positive) code of the last failure
    int32_t WinSockError = 0;  ///< last sockets code
    int32_t SSLError = 0;      ///< last secure-socket code
    platform::BlankPadded<256> ErrorString;
    int32_t LoggingOn = 0;
    int32_t LoggingErrorsOnly = 0;
    int32_t UseThisThread = 0;
    int32_t NoCritSectionPointer_ = 0;  ///< 1 when getting the library lock failed
    NetCriticalSection_* NetCritical_ = nullptr;
};
