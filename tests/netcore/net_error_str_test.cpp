// Error texts of the library (NetErrorStr) and of the connection objects
// (NetAll_::InterpretError). Codes are numbers here on purpose: these tests
// pin each value to its text, so a renumbered row in net_codes.h fails them.
#include "netcore/net_error_str.h"

#include <algorithm>
#include <climits>

#include "logging_fixture.h"
#include "netcore/net_all.h"

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;

namespace {

using NetErrorStrTest = LoggingTest;

std::string Unknown(int32_t code) {
    return "General Winsock Error (unknown by NetErrorStr) [" + std::to_string(code) + "]";
}

TEST_F(NetErrorStrTest, LibraryCodesAreTheirTextsAndNeverLogged) {
    NetMemory.Logging = 1;
    EXPECT_EQ(NetErrorStr(-6), "CallBack window timeout");
    EXPECT_EQ(NetErrorStr(-1), "Unknown Error (was previously Sparlin DLL not actively initiated)");
    EXPECT_EQ(NetErrorStr(-5), "Main start sequence faile");
    EXPECT_EQ(NetErrorStr(-29), "Too many sending sockets. The maximum has been reached");
    EXPECT_EQ(NetErrorStr(-31), "An error occurred while trying to load the Sparlin DLL. The DLL could not be loaded.");
    EXPECT_EQ(NetErrorStr(-53), "Open Timeout or Failure error");
    EXPECT_EQ(NetErrorStr(-75), "SSL Read Failed");
    EXPECT_EQ(NetErrorStr(-90), "Sparlin Object and DLL versions do not match");
    EXPECT_EQ(NetErrorStr(-91), "Sparlin WinSock Error (unknown WinSock error number)");
    EXPECT_EQ(NetErrorStr(-92), "Sparlin SSL Error (unknown SSL error number)");
    for (int32_t code = -1; code >= -75; --code) EXPECT_FALSE(NetLibraryErrorText(code).empty()) << code;
    EXPECT_THAT(Lines(), IsEmpty());
}

TEST_F(NetErrorStrTest, NumbersWithoutARowNameTheNumber) {
    for (int32_t code : {0, -76, -80, -89, -93, 1, 10000, 10010, 11005, INT32_MIN, INT32_MAX})
        EXPECT_EQ(NetErrorStr(code), Unknown(code));
}

TEST_F(NetErrorStrTest, SocketsCodeWithErrorLoggingWritesOneErrorLine) {
    const std::string quiet = NetErrorStr(10061);
    EXPECT_THAT(quiet, StartsWith("(WSAECONNREFUSED) Connection refused."));
    EXPECT_THAT(Lines(), IsEmpty());

    NetMemory.LogErrors = 1;
    const std::string text = NetErrorStr(10061);
    EXPECT_EQ(text, quiet);
    EXPECT_THAT(Lines(), ElementsAre("[NetDLL] " + Me() + " NetErrorStr() : Error (10061) = " + text));
}

TEST_F(NetErrorStrTest, UnknownNumberIsLoggedLikeASocketsCode) {
    NetMemory.Logging = 1;
    NetErrorStr(-80);
    EXPECT_THAT(Lines(), ElementsAre("[NetDLL] " + Me() + " NetErrorStr() : Error (-80) = " + Unknown(-80)));
}

TEST_F(NetErrorStrTest, LongSocketsTextIsCutAfter255Characters) {
    NetMemory.LogErrors = 1;
    const std::string text = NetErrorStr(10048);
    EXPECT_EQ(text.size(), 255u);
    EXPECT_THAT(text, StartsWith("(WSAEADDRINUSE) Address already in use. "));
    // Log lines carry texts without trailing blanks.
    EXPECT_THAT(Lines(), ElementsAre("[NetDLL] " + Me() +
                                     " NetErrorStr() : Error (10048) = " + std::string(platform::TrimRight(text))));
}

struct TitledRow {
    int32_t code;
    const char* title;
    bool explained;  // the title is followed by an explanation
};

constexpr TitledRow kSocketsRows[] = {
    {6, "(WSA_INVALID_HANDLE) One or more parameters are invalid.", true},
    {8, "(WSA_NOT_ENOUGH_MEMORY) Insufficient memory available.", true},
    {995, "(WSA_OPERATION_ABORTED) Overlapped operation aborted.", true},
    {996, "(WSA_IO_INCOMPLETE) Overlapped I/O event object not in signalled state.", true},
    {997, "(WSA_IO_PENDING) Overlapped operations will complete later.", true},
    {10004, "(WSAEINTR) Interrupted function call.", true},
    {10009, "WSAEBADF (BadF)", false},
    {10013, "(WSAEACCES) Permission denied.", true},
    {10014, "(WSAEFAULT) Bad address.", true},
    {10022, "(WSAEINVAL) Invalid argument.", true},
    {10024, "(WSAEMFILE) Too many open files. Too many open sockets.", false},
    {10035, "(WSAEWOULDBLOCK) Resource temporarily unavailable.", true},
    {10036, "(WSAEINPROGRESS) Operation now in progress.", true},
    {10037, "(WSAEALREADY) Operation already in progress.", true},
    {10038, "(WSAENOTSOCK) Socket operation on non-socket.", true},
    {10039, "(WSAEDESTADDRREQ) Destination address required.", true},
    {10040, "(WSAEMSGSIZE) Message too long.", true},
    {10041, "(WSAEPROTOTYPE) Protocol wrong type for socket.", true},
    {10042, "(WSAENOPROTOOPT) Bad protocol option.", true},
    {10043, "(WSAEPROTONOSUPPORT) Protocol not supported.", true},
    {10044, "(WSAESOCKTNOSUPPORT) Socket type not supported.", true},
    {10045, "(WSAEOPNOTSUPP) Operation not supported.", true},
    {10046, "(WSAEPFNOSUPPORT) Protocol family not supported.", true},
    {10047, "(WSAEAFNOSUPPORT) Address family not supported by protocol family.", true},
    {10048, "(WSAEADDRINUSE) Address already in use.", true},
    {10049, "(WSAEADDRNOTAVAIL) The specified address is not available from the local computer.", false},
    {10050, "(WSAENETDOWN) Network is down.", true},
    {10051, "(WSAENETUNREACH) Network is unreachable.", true},
    {10052, "(WSAENETRESET) Network dropped connection on reset.", true},
    {10053, "(WSAECONNABORTED) Software caused connection abort.", true},
    {10054, "(WSAECONNRESET) Connection reset by peer.", true},
    {10055, "(WSAENOBUFS) No buffer space available.", true},
    {10056, "(WSAEISCONN) Socket is already connected.", true},
    {10057, "(WSAENOTCONN) Socket is not connected.", true},
    {10058, "(WSAESHUTDOWN) Cannot send/receive after socket shutdown.", true},
    {10059, "(WSAETOOMANYREFS) WSAETOOMANYREFS (too many refs)", false},
    {10060, "(WSAETIMEDOUT) Connection timed out.", true},
    {10061, "(WSAECONNREFUSED) Connection refused.", true},
    {10062, "WSAELOOP (loop)", false},
    {10063, "WSAENAMETOOLONG (name too long)", false},
    {10064, "(WSAEHOSTDOWN) Host is down.", true},
    {10065, "(WSAEHOSTUNREACH) No route to host.", true},
    {10066, "WSAENOTEMPTY (not empty)", false},
    {10067, "(WSAEPROCLIM) Too many processes.", true},
    {10068, "(WSAEUSERS) WSAEUSERS (users)", false},
    {10069, "WSAEDQUOT (DQuot)", false},
    {10070, "(WSAESTALE) WSAESTALE (stale)", false},
    {10071, "WSAEREMOTE (remote)", false},
    {10091, "(WSASYSNOTREADY) Network subsystem is unavailable.", true},
    {10092, "(WSAVERNOTSUPPORTED) WINSOCK.DLL version out of range.", true},
    {10093, "(WSANOTINITIALISED) Successful WSAStartup not yet performed.", true},
    {10101, "(WSAEDISCON) Graceful shutdown in progress.", true},
    {10104, "(WSAEINVALIDPROCTABLE) Invalid procedure table from service provider.", true},
    {10105, "(WSAEINVALIDPROVIDER) Invalid service provider version number.", true},
    {10106, "(WSAEPROVIDERFAILEDINIT) Unable to initialize a service provider.", true},
    {10107, "(WSASYSCALLFAILURE) System call failure.", true},
    {10109, "(WSATYPE_NOT_FOUND) Class type not found.", true},
    {11001, "(WSAHOST_NOT_FOUND) Host not found.", true},
    {11002, "(WSATRY_AGAIN) Non-authoritative host not found.", true},
    {11003, "(WSANO_RECOVERY) This is a non-recoverable error.", true},
    {11004, "(WSANO_DATA) Valid name, no data record of requested type.", true},
};

TEST_F(NetErrorStrTest, EverySocketsRowStartsWithItsTitle) {
    for (const auto& row : kSocketsRows) {
        const std::string text = NetErrorStr(row.code);
        EXPECT_LE(text.size(), 255u) << row.code;
        if (row.explained) {
            EXPECT_THAT(text, StartsWith(std::string(row.title) + " ")) << row.code;
            EXPECT_GT(text.size(), std::string(row.title).size() + 20) << row.code;
        } else {
            EXPECT_EQ(text, row.title) << row.code;
        }
    }
}

class InterpretErrorTest : public LoggingTest {
protected:
    std::string Interpret(int32_t error, int32_t winSockError = 0, int32_t sslError = 0) {
        object.Error = error;
        object.WinSockError = winSockError;
        object.SSLError = sslError;
        return object.InterpretError();
    }
    NetAll_ object;
};

TEST_F(InterpretErrorTest, NoErrorIsAGeneralObjectError) { EXPECT_EQ(Interpret(0), "General Object level error"); }

TEST_F(InterpretErrorTest, ObjectTableDiffersFromTheLibraryInTheseRowsOnly) {
    const std::vector<std::pair<int32_t, std::string>> differences = {
        {-3, "Too many Sparlin NetAuto Instances on one machine"},
        {-33,
         "Host or Socket not specified. Please set the <object>.packet.ToIp and <object>.packet.OnSocket before "
         "sending data."},
        {-41, "a General FTP error occurred"},
        {-43, "No Phone Book Entry. You need a Phone Book Entry before you can dial."},
        {-44, "The Ras Object is not in the DLL queue."},
        {-45, "The Ras Object is busy opening another RAS connection."},
        {-52, "No Posting allowing"},
        {-55, "Connection already open"},
        {-73, "SSL Could Not Load SSL DLLs [LIBEAY32.DLL, LIBSSL32.DLL, MSVCR71.DLL]"},
    };
    for (const auto& [code, text] : differences) {
        EXPECT_EQ(Interpret(code), text) << code;
        EXPECT_NE(NetErrorStr(code), text) << code;
    }
    EXPECT_EQ(NetErrorStr(-52), "No Posting Allowed");
    EXPECT_EQ(NetErrorStr(-33),
              "Host or Socket not specified. Please set the <object>.packet.ToIp and <object>.packet.OnSocket before "
              "NetSimple sending data.");
    for (int32_t code = -1; code >= -75; --code) {
        const bool differs =
            std::any_of(differences.begin(), differences.end(), [code](const auto& row) { return row.first == code; });
        if (!differs) {
            EXPECT_EQ(Interpret(code), NetErrorStr(code)) << code;
        }
    }
    EXPECT_EQ(Interpret(-90), "Sparlin Object and DLL versions do not match");
}

TEST_F(InterpretErrorTest, WinSockAndSslFormsNameTheDetailCode) {
    EXPECT_EQ(Interpret(-91, 10054), "Sparlin WinSock Error (10054)");
    EXPECT_EQ(Interpret(-91, 0), "Sparlin WinSock Error (0)");
    EXPECT_EQ(Interpret(-92, 0, 134), "Sparlin SSL Error (134)");
    EXPECT_EQ(Interpret(-92, 0, -7), "Sparlin SSL Error (-7)");
}

TEST_F(InterpretErrorTest, OtherCodesAreAskedOfNetErrorStr) {
    EXPECT_EQ(Interpret(10060), NetErrorStr(10060) + " [listed by NetErrorStr]");
    EXPECT_EQ(Interpret(-80), Unknown(-80) + " [listed by NetErrorStr]");
    EXPECT_EQ(Interpret(-76), Unknown(-76) + " [listed by NetErrorStr]");
    const std::string cut = Interpret(10048);
    const std::string library = NetErrorStr(10048);
    EXPECT_EQ(cut, std::string(platform::TrimRight(library)) + " [listed by NetErrorStr]");
    EXPECT_LE(cut.size(), 255u + 24u);
    EXPECT_THAT(Lines(), IsEmpty());
}

TEST_F(InterpretErrorTest, ObjectWithLoggingOnExplainsWhereTheTextCameFrom) {
    gNetLogging.LoggingFirstTime = 1;
    object.LoggingOn = 1;
    const std::string text = Interpret(10061);
    const std::string me = Me();
    EXPECT_THAT(Lines(),
                ElementsAre("[Net] " + me +
                                " _NetAll.InterpretError - Not an object level error - need to ask the "
                                "Sparlin DLL (NetErrorStr)",
                            "[Net] " + me + " _NetAll.InterpretError - Error = 10061 NetErrorStr returned : " + text));
    capture.Clear();
    Interpret(-52);
    Interpret(-91, 10054);
    EXPECT_THAT(Lines(), IsEmpty());
}

}  // namespace
