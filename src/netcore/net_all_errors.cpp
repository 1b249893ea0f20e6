// NetAll_::InterpretError: the object's own explanation of its error state.
#include "netcore/net_all.h"
#include "netcore/net_error_str.h"

namespace {

constexpr std::size_t kMaxInterpretLen = 512;

struct CodeText {
    int32_t code;
    std::string_view text;
};

// Rows in which the object's table words a library code differently.
constexpr CodeText kObjectTexts[] = {
    {-3, "Too many Sparlin NetAuto Instances on one machine"},
    {-33,
     "Host or Socket not specified. Please set the <object>.packet.ToIp and <object>.packet.OnSocket before sending "
     "data."},
    {-41, "a General FTP error occurred"},
    {-43, "No Phone Book Entry. You need a Phone Book Entry before you can dial."},
    {-44, "The Ras Object is not in the DLL queue."},
    {-45, "The Ras Object is busy opening another RAS connection."},
    {-52, "No Posting allowing"},
    {-55, "Connection already open"},
    {-73, "SSL Could Not Load SSL DLLs [LIBEAY32.DLL, LIBSSL32.DLL, MSVCR71.DLL]"},
};

/// The object's own text for -1 to -75 and -90, or empty for any other code.
std::string_view ObjectText(int32_t error) {
    if (!((error <= -1 && error >= -75) || error == -90)) return {};
    for (const auto& row : kObjectTexts)
        if (row.code == error) return row.text;
    return NetLibraryErrorText(error);
}

}  // namespace

std::string NetAll_::InterpretError() {
    if (Error == 0) return "General Object level error";
    if (auto own = ObjectText(Error); !own.empty()) return std::string(own);
    if (Error == -91) return "Sparlin WinSock Error (" + std::to_string(WinSockError) + ")";
    if (Error == -92) return "Sparlin SSL Error (" + std::to_string(SSLError) + ")";

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
