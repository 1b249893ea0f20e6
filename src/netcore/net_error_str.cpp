#include "netcore/net_error_str.h"

#include "netcore/net_codes.h"
#include "netcore/net_log.h"
#include "netcore/net_memory.h"

namespace {

struct CodeText {
    int32_t code;
    std::string_view text;
};

// Windows Sockets codes: the symbolic name and short title, mostly followed by
// what the code means in practice.
constexpr CodeText kSocketsTexts[] = {
    {6,
     "(WSA_INVALID_HANDLE) One or more parameters are invalid. The event object handle handed to the call is not a "
     "valid handle."},
    {8,
     "(WSA_NOT_ENOUGH_MEMORY) Insufficient memory available. The system could not allocate the memory that the call "
     "needed."},
    {995,
     "(WSA_OPERATION_ABORTED) Overlapped operation aborted. An overlapped operation was cancelled, because its socket "
     "was closed or because a cancel request was made for it."},
    {996,
     "(WSA_IO_INCOMPLETE) Overlapped I/O event object not in signalled state. The result of an overlapped operation "
     "was asked for before the operation had finished."},
    {997,
     "(WSA_IO_PENDING) Overlapped operations will complete later. The operation was accepted and is still running; "
     "its completion will be reported later."},
    {10004,
     "(WSAEINTR) Interrupted function call. A blocking call was cut short by another call that cancelled it before it "
     "could finish."},
    {10009, "WSAEBADF (BadF)"},
    {10013,
     "(WSAEACCES) Permission denied. The socket was used in a way that its access rights forbid, for example sending "
     "to a broadcast address without the broadcast option, or binding an address held exclusively by another socket."},
    {10014,
     "(WSAEFAULT) Bad address. The system found a pointer that is not valid among the arguments of the call, or a "
     "buffer or address length that is too small."},
    {10022,
     "(WSAEINVAL) Invalid argument. An argument of the call is not valid, or the socket is in a state in which the "
     "call is not allowed, such as listening on a socket that is not bound."},
    {10024, "(WSAEMFILE) Too many open files. Too many open sockets."},
    {10035,
     "(WSAEWOULDBLOCK) Resource temporarily unavailable. A non-blocking socket cannot complete the call at once; this "
     "is a normal outcome, and the call should be made again when the socket is ready."},
    {10036,
     "(WSAEINPROGRESS) Operation now in progress. A blocking operation is already running, and only one may run at a "
     "time on a task or thread."},
    {10037,
     "(WSAEALREADY) Operation already in progress. A non-blocking socket already has an operation of this kind under "
     "way, such as a second connect before the first one has finished."},
    {10038,
     "(WSAENOTSOCK) Socket operation on non-socket. The handle given to the call is not a socket, or it names a "
     "socket that has already been closed."},
    {10039,
     "(WSAEDESTADDRREQ) Destination address required. The call needs a target address that was left out, such as a "
     "send on an unconnected socket without an address."},
    {10040,
     "(WSAEMSGSIZE) Message too long. A datagram was larger than a buffer or another network limit, or the buffer "
     "given for receiving it was smaller than the datagram."},
    {10041,
     "(WSAEPROTOTYPE) Protocol wrong type for socket. The protocol given does not offer what the requested socket "
     "type needs, such as a datagram protocol for a stream socket."},
    {10042,
     "(WSAENOPROTOOPT) Bad protocol option. An option or level given to a get or set socket option call is unknown, "
     "not supported or not valid."},
    {10043,
     "(WSAEPROTONOSUPPORT) Protocol not supported. The requested protocol is not configured on this system, or no "
     "implementation of it exists."},
    {10044,
     "(WSAESOCKTNOSUPPORT) Socket type not supported. The requested socket type does not exist in this address "
     "family, or is not configured on this system."},
    {10045,
     "(WSAEOPNOTSUPP) Operation not supported. The operation does not apply to the kind of object it was tried on, "
     "such as accepting on a datagram socket."},
    {10046,
     "(WSAEPFNOSUPPORT) Protocol family not supported. The protocol family is not configured on this system, or no "
     "implementation of it exists."},
    {10047,
     "(WSAEAFNOSUPPORT) Address family not supported by protocol family. The address used does not fit the protocol "
     "of the socket, such as an IPv6 address on an IPv4 socket."},
    {10048,
     "(WSAEADDRINUSE) Address already in use. Each socket address (protocol, local address and port) may normally be "
     "used by only one socket at a time. This happens when a program binds to an address and port that another "
     "socket still holds, often one that was not closed properly or is still closing. A server that must bind again "
     "at once can set the reuse-address option first; a client rarely needs to bind at all, as connect chooses a "
     "free port itself."},
    {10049, "(WSAEADDRNOTAVAIL) The specified address is not available from the local computer."},
    {10050,
     "(WSAENETDOWN) Network is down. The operation met a dead network: the network system, the network interface or "
     "the local network itself has failed."},
    {10051, "(WSAENETUNREACH) Network is unreachable. This machine knows no route to the network of the remote host."},
    {10052,
     "(WSAENETRESET) Network dropped connection on reset. Keep-alive checks found a failure while the operation was "
     "under way, so the connection was broken."},
    {10053,
     "(WSAECONNABORTED) Software caused connection abort. Software on this machine aborted the connection, for "
     "example after a data transmission time-out or a protocol error."},
    {10054,
     "(WSAECONNRESET) Connection reset by peer. The remote host forcibly closed the connection, for example because "
     "its program stopped suddenly, the host restarted, or it closed the socket with a hard close."},
    {10055,
     "(WSAENOBUFS) No buffer space available. The system ran out of buffer space or a queue was full, so the socket "
     "operation could not be performed."},
    {10056,
     "(WSAEISCONN) Socket is already connected. A connect request was made on a socket that is already connected."},
    {10057,
     "(WSAENOTCONN) Socket is not connected. Data could not be sent or received because the socket is not connected "
     "and no address was given."},
    {10058,
     "(WSAESHUTDOWN) Cannot send/receive after socket shutdown. That direction of the socket had already been shut "
     "down, so no more data can pass through it."},
    {10059, "(WSAETOOMANYREFS) WSAETOOMANYREFS (too many refs)"},
    {10060,
     "(WSAETIMEDOUT) Connection timed out. The remote host did not answer properly within the time allowed, or an "
     "established connection failed because the host stopped responding."},
    {10061,
     "(WSAECONNREFUSED) Connection refused. The target machine actively refused the connection, usually because no "
     "server program is listening on that address and port."},
    {10062, "WSAELOOP (loop)"},
    {10063, "WSAENAMETOOLONG (name too long)"},
    {10064,
     "(WSAEHOSTDOWN) Host is down. The operation failed because the network reports the destination host as down."},
    {10065, "(WSAEHOSTUNREACH) No route to host. The operation was tried towards a host that cannot be reached."},
    {10066, "WSAENOTEMPTY (not empty)"},
    {10067,
     "(WSAEPROCLIM) Too many processes. The sockets layer limits how many programs may use it at once, and that limit "
     "has been reached."},
    {10068, "(WSAEUSERS) WSAEUSERS (users)"},
    {10069, "WSAEDQUOT (DQuot)"},
    {10070, "(WSAESTALE) WSAESTALE (stale)"},
    {10071, "WSAEREMOTE (remote)"},
    {10091,
     "(WSASYSNOTREADY) Network subsystem is unavailable. The network system that the sockets layer relies on is not "
     "ready for use."},
    {10092,
     "(WSAVERNOTSUPPORTED) WINSOCK.DLL version out of range. The sockets layer does not offer the version of the "
     "interface that the program asked for."},
    {10093,
     "(WSANOTINITIALISED) Successful WSAStartup not yet performed. The program has not started the sockets layer, or "
     "has already stopped it, before this call."},
    {10101,
     "(WSAEDISCON) Graceful shutdown in progress. The remote party has begun an orderly close of the connection."},
    {10104,
     "(WSAEINVALIDPROCTABLE) Invalid procedure table from service provider. A service provider gave back a procedure "
     "table that is not valid or not complete."},
    {10105,
     "(WSAEINVALIDPROVIDER) Invalid service provider version number. A service provider gave back a version number "
     "that is not supported."},
    {10106,
     "(WSAEPROVIDERFAILEDINIT) Unable to initialize a service provider. A service provider could not be loaded or "
     "failed to start."},
    {10107,
     "(WSASYSCALLFAILURE) System call failure. A system call that should never fail has failed, which points to a "
     "damaged network configuration or a lack of system resources."},
    {10109, "(WSATYPE_NOT_FOUND) Class type not found. The service class type asked for is not known to the system."},
    {11001,
     "(WSAHOST_NOT_FOUND) Host not found. No such host is known: the name is neither an official host name nor an "
     "alias, or the databases that were asked do not hold it."},
    {11002,
     "(WSATRY_AGAIN) Non-authoritative host not found. The name server gave no answer in time; a later try may "
     "succeed."},
    {11003,
     "(WSANO_RECOVERY) This is a non-recoverable error. A lasting failure occurred during a name lookup, such as a "
     "name server refusing the request."},
    {11004,
     "(WSANO_DATA) Valid name, no data record of requested type. The name server knows the name but holds no record "
     "of the kind asked for, such as no address."},
};

std::string_view SocketsText(int32_t error) {
    for (const auto& row : kSocketsTexts)
        if (row.code == error) return row.text;
    return {};
}

}  // namespace

std::string_view NetLibraryErrorText(int32_t error) {
    const NET::CodeRow* row = NET::FindCode(error);
    return row != nullptr ? row->text : std::string_view{};
}

std::string NetErrorStr(int32_t error) {
    if (auto library = NetLibraryErrorText(error); !library.empty()) return std::string(library);
    std::string text(SocketsText(error));
    if (text.empty()) text = "General Winsock Error (unknown by NetErrorStr) [" + std::to_string(error) + "]";
    if (text.size() > NET::MaxErrorStrLen) text.resize(NET::MaxErrorStrLen);
    if (NetMemory.Logging == 1 || NetMemory.LogErrors == 1)
        WriteToLog("Error (" + std::to_string(error) + ") = " + text, "NetErrorStr", NET::ErrorLine);
    return text;
}
