// NetAll_::InterpretError: the object's own explanation of its error state.
#include "netcore/net_all.h"
#include "netcore/net_codes.h"
#include "netcore/net_error_str.h"

namespace {

constexpr std::size_t kMaxInterpretLen = 512;

struct CodeText {
    int32_t code;
    std::string_view text;
};

// Rows in which the object's table words a library code differently.
constexpr CodeText kObjectTexts[] = {
    {NET::kTooManyInstances, "Too many Sparlin NetAuto Instances on one machine"},
    {NET::kHostOrSocketNotSet,
     "Host or Socket not specified. Please set the <object>.packet.ToIp and <object>.packet.OnSocket before sending "
     "data."},
    {NET::kFtpError, "a General FTP error occurred"},
    {NET::kNoDialUpEntry, "No Phone Book Entry. You need a Phone Book Entry before you can dial."},
    {NET::kDialUpNotQueued, "The Ras Object is not in the DLL queue."},
    {NET::kDialUpBusy, "The Ras Object is busy opening another RAS connection."},
    {NET::kNoPosting, "No Posting allowing"},
    {NET::kAlreadyOpen, "Connection already open"},
    {NET::kSslLoadDlls, "SSL Could Not Load SSL DLLs [LIBEAY32.DLL, LIBSSL32.DLL, MSVCR71.DLL]"},
};

/// The object's own text for the codes of the table up to kVersionMismatch, or
/// empty for any other code (kWinSockError and kSslError have forms of their own).
std::string_view ObjectText(int32_t error) {
    if (error == NET::kWinSockError || error == NET::kSslError) return {};
    for (const auto& row : kObjectTexts)
        if (row.code == error) return row.text;
    return NetLibraryErrorText(error);
}

}  // namespace

std::string NetAll_::InterpretError() {
    if (Error == 0) return "General Object level error";
    if (auto own = ObjectText(Error); !own.empty()) return std::string(own);
    if (Error == NET::kWinSockError) return "Sparlin WinSock Error (" + std::to_string(WinSockError) + ")";
    if (Error == NET::kSslError) return "Sparlin SSL Error (" + std::to_string(SSLError) + ")";

    constexpr std::string_view kFunction = "_NetAll.InterpretError";
    if (LoggingOn == 1)
        Log("Not an object level error - need to ask the Sparlin DLL (NetErrorStr)", kFunction, NET::ObjectErrorLine);
    std::string text(platform::TrimRight(NetErrorStr(Error)));
    text += " [listed by NetErrorStr]";
    if (text.size() > kMaxInterpretLen) text.resize(kMaxInterpretLen);
    if (LoggingOn == 1)
        Log("Error = " + std::to_string(Error) + " NetErrorStr returned : " + text, kFunction, NET::ObjectErrorLine);
    return text;
}
