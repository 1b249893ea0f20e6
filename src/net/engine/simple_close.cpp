// Closing client connections: the close notification, the two-phase local
// close, the abort and the socket close itself.
#include "net/engine/engine_log.h"
#include "net/engine/engine_sockets.h"
#include "net/engine/simple_engine_internal.h"
#include "netcore/net_codes.h"
#include "netcore/net_lock_check.h"
#include "platform/sockets.h"

namespace {

void StopAsyncOpen(SimpleRecord& record) {
    if (record.AsyncOpenInProgress != 1) return;
    record.AsyncOpenInProgress = 0;
    NetMemory.CountSimpleAsyncOpens -= 1;
}

void StopNotifications(const SimpleRecord& record) {
    if (EngineAsyncSelect(record.Socket, 0, 0) == 0) return;
    const int32_t code = platform::WSAGetLastError();
    ErrorLine("CloseTheSocket", "Error calling WSAAsyncSelect(0). Error = {} Socket = {} SockID = {}",
              CodeAndText(code), record.Socket, record.SockID);
}

/// The remote side closed first: what is left is read, then the packet of type 5.
void RemoteClosed(SimpleRecord& record, int32_t error, int32_t message) {
    DetailLine("CloseTheSocket", "This socket was closed from the remote side - so we call shutdown (SD_SEND)");
    if (platform::shutdown(record.Socket, platform::SD_SEND) != 0) {
        ErrorLine("CloseTheSocket", "Error call to shutdown failed. Error = {}",
                  CodeAndText(platform::WSAGetLastError()));
    }
    StopNotifications(record);
    ReadData(record, message, false);
    StoredPacket packet;
    packet.PacketType = NET::SimpleRemoteClosed;
    packet.FromIP = record.Addr.sin_addr;
    packet.OnSocket = record.Socket;
    packet.SockID = record.SockID;
    packet.WinSockError = error;
    const int32_t number = StoreSimplePacket(packet, record.NotifyThread, record.NotifyEvent);
    DetailLine("CloseTheSocket", "Created a SocketClosed packet for the object to receive.");
    DetailLine("CloseTheSocket",
               "Posted Socket Closed Packet Notification to _DebugPacketNumber = {} Thread = {} Event = {}", number,
               record.NotifyThread, record.NotifyEvent);
}

}  // namespace

void CloseTheSocket(SimpleRecord& record, int32_t error) {
    const int32_t message = record.AsyncMessage;
    const bool closeStartedHere = record.PhaseOneCloseCalled == 1;
    record.FD_Close_Received = 1;
    qSimpleClientSockets.SetAsyncMessage(record, 0);
    if (closeStartedHere) {
        DetailLine("CloseTheSocket", "We called shutdown on this socket in the first phase closedown.");
        StopNotifications(record);
        ReadData(record, message, false);
    } else {
        RemoteClosed(record, error, message);
    }
    DetailLine("CloseTheSocket", "Calling CloseSocket on socket={}", record.Socket);
    SimpleCloseSocket(record.Socket, 2, record.SSL_lpSSL, record.SSL_lpSSL_CTX);
    if (closeStartedHere && record.PhaseTwoCloseCalled == 1) {
        DetailLine("CloseTheSocket", "Calling PhaseTwo Cleanup");
        SimpleClientClosePhaseTwo(record.Socket, record.SockID);  // deletes the record
        return;
    }
    if (!closeStartedHere) {
        StopAsyncOpen(record);
        record.PhaseOneCloseCalled = 1;
        record.PhaseOneCloseTime = EngineNow();
    }
}

int32_t SimpleCloseSocket(int32_t Socket, int32_t Mode, int32_t /*lpSSL*/, int32_t /*lpSSL_CTX*/) {
    if (Mode == 2 || Mode == 3) {
        const bool graceful = Mode == 2;
        const int32_t type = graceful ? NetMemory.GracefulCloseLingerType : NetMemory.AbortiveCloseLingerType;
        platform::Linger linger;
        linger.l_onoff =
            static_cast<uint16_t>(graceful ? NetMemory.GracefulCloseLingerValue : NetMemory.AbortiveCloseLingerValue);
        linger.l_linger =
            static_cast<uint16_t>(graceful ? NetMemory.GracefulCloseLingerTime : NetMemory.AbortiveCloseLingerTime);
        const std::string_view function = graceful ? "SimpleCloseSocket - Graceful Close" : "SimpleCloseSocket - Abort";
        NormalLine(function, "Calling SetSockOpt. Linger = {} {}", linger.l_onoff, linger.l_linger);
        if (platform::setsockopt(Socket, platform::WS_SOL_SOCKET, type, linger) != 0) {
            ErrorLine(function, "Error setting socket options on socket = {}. Error = {}", Socket,
                      CodeAndText(platform::WSAGetLastError()));
        }
    }
    if (platform::closesocket(Socket) == 0) return 0;
    const int32_t code = platform::WSAGetLastError();
    if (code == platform::WSAENOTSOCK) {
        ErrorLine("SimpleCloseSocket", "Err0r 10038 Ignored.");
        return 0;
    }
    ErrorLine("SimpleCloseSocket", "Error call to CloseSocket failed. Error = {}", CodeAndText(code));
    return code;
}

// ---- the local close ----

namespace {

constexpr std::string_view kNotFound = "Error. Could not find connection in qSimpleClientSockets. Exiting function.";

int32_t FirstPhaseRequested(NET::SimpleConnectionType& connection) {
    const int32_t waiting = qSimpleOutQueue.CountOf(connection.SockID, connection.Socket);
    DetailLine("SimpleClientClose", "Packets Waiting = {}", waiting);
    if (waiting > 0) {
        DetailLine(
            "SimpleClientClose",
            "There are {} packets waiting to be sent. This socket connection will only be closed when all packets "
            "are sent. Calling winsock shutdown function.",
            waiting);
        SimpleRecord* record = nullptr;
        const int32_t found = LookupSimpleClientSocket(0, connection.Socket, connection.SockID, &record);
        if (found != 0) {
            ErrorLine("SimpleClientClose", kNotFound);
            return found;
        }
        record->ClosingState = 1;
        return 0;
    }
    if (connection.Socket == 0 || connection.SockID == 0) {
        ErrorLine("SimpleClientClose", "Error. Either Socket = 0 or SockID = 0 in p_SimpleConnection.");
        return NET::kAddressNotFound;
    }
    NormalLine(
        "SimpleClientClose",
        "About to call First Phase Close. Remote Server/Host = {} Remot Port = {} Socket = {} SockID = {} Phase = 1",
        connection.Server.View(), connection.Port, connection.Socket, connection.SockID);
    return SimpleClientClosePhaseOne(connection.Socket, connection.SockID);
}

int32_t AbortRequested(NET::SimpleConnectionType& connection) {
    constexpr std::string_view kAbort = "SimpleClientClose - Abort";
    ErrorLine(kAbort, "Socket Abort! Using Phase = -1 (Single Phase Client Socket CloseDown (Abort)).");
    SimpleRecord* record = nullptr;
    const int32_t found = LookupSimpleClientSocket(static_cast<uint32_t>(connection.Internal_.IP), connection.Socket,
                                                   connection.SockID, &record);
    if (found != 0) {
        ErrorLine(kAbort, kNotFound);
        return found;
    }
    int32_t result = 0;
    const bool lookupRunning = connection.Internal_.IP == 0 && connection.Socket == 0 &&
                               connection.AsyncOpenTimeout != 0 && record->Socket == 0;
    if (lookupRunning) {
        const int32_t handle = record->AsyncDNSHandle;
        const int32_t cancelled = handle == 0 ? 0 : EngineCancelAsyncRequest(handle);
        EngineDropLookupAnswer(handle);
        if (handle != 0) NetMemory.CountSimpleAsyncDNS -= 1;
        DetailLine(kAbort, "Had to stop the Asynchronous DNS lookup. DNSHandle = {} result = {}", handle, cancelled);
    } else if (record->FD_Close_Received == 0) {
        // A socket that is already closed may carry another connection's number by now.
        result = SimpleCloseSocket(record->Socket, 3, record->SSL_lpSSL, record->SSL_lpSSL_CTX);
    }
    StopAsyncOpen(*record);
    const int32_t socket = record->Socket;
    const int32_t sockID = record->SockID;
    SimpleClearInQueue(0, socket, sockID);
    if (socket != 0) SimpleClearInQueue(0, 0, sockID);
    SimpleClearOutQueue(0, socket, sockID);
    qSimpleClientSockets.Erase(sockID);
    return result;
}

}  // namespace

int32_t SimpleClientClose(NET::SimpleConnectionType& connection, int32_t socket, int32_t sockID, int32_t phase) {
    BRACKWATER_ASSERT_LOCK_HELD();
    if (NetMemory.DLLClosedDown == 1) {
        DetailLine("SimpleClientClose", "DLL already closed down. This function is ignored");
        return 0;
    }
    switch (phase) {
        case NET::SimpleClosePhaseOne:
            return FirstPhaseRequested(connection);
        case NET::SimpleClosePhaseTwo:
            return SimpleClientClosePhaseTwo(socket, sockID);
        case NET::SimpleCloseAbort:
            return AbortRequested(connection);
        default:
            ErrorLine("SimpleClientClose", "Error Warning. Unsupported Phase in SimpleClientClose p_Phase = {}", phase);
            return 0;
    }
}

int32_t SimpleClientClosePhaseOne(int32_t socket, int32_t sockID) {
    constexpr std::string_view kPhaseOne = "SimpleClientClosePhaseOne";
    NormalLine(kPhaseOne, "First Phase. Will issue Shutdown for Socket = {} SockID = {}", socket, sockID);
    SimpleRecord* record = nullptr;
    const int32_t found = LookupSimpleClientSocket(0, socket, sockID, &record);
    if (found != 0) {
        ErrorLine(kPhaseOne, kNotFound);
        return found;
    }
    StoredPacket packet;
    packet.PacketType = NET::SimpleLocalClosed;
    packet.FromIP = record->Addr.sin_addr;
    packet.OnSocket = record->Socket;
    packet.SockID = record->SockID;
    const int32_t number = StoreSimplePacket(packet, record->NotifyThread, record->NotifyEvent);
    DetailLine(kPhaseOne, "Posted Socket Closed Packet Notification to _DebugPacketNumber = {} Thread = {} Event = {}",
               number, record->NotifyThread, record->NotifyEvent);
    int32_t result = 0;
    if (record->FD_Close_Received == 1) {
        NormalLine(kPhaseOne, "FD_CLOSE was previously received. Will skip calling shutdown on the socket.");
    } else {
        DetailLine(kPhaseOne, "Calling shutdown (SD_SEND) - this will cause us to get a FD_CLOSE");
        if (platform::shutdown(record->Socket, platform::SD_SEND) != 0) {
            result = platform::WSAGetLastError();
            ErrorLine(kPhaseOne, "Error to shutdown function. Error =  {}", CodeAndText(result));
        }
    }
    record->PhaseOneCloseCalled = 1;
    record->PhaseOneCloseTime = EngineNow();
    StopAsyncOpen(*record);
    SimpleClearOutQueue(0, socket, sockID);
    return result;
}

int32_t SimpleClientClosePhaseTwo(int32_t socket, int32_t sockID) {
    constexpr std::string_view kPhaseTwo = "SimpleClientClosePhaseTwo";
    NormalLine(kPhaseTwo, "(Second Phase). Called.  Socket = {} SockID = {}", socket, sockID);
    SimpleRecord* record = nullptr;
    const int32_t found = LookupSimpleClientSocket(0, socket, sockID, &record);
    if (found != 0) {
        ErrorLine(kPhaseTwo, "(Second Phase). Could not find connection in qSimpleClientSockets");
        return found;
    }
    if (record->PhaseOneCloseCalled != 1) {
        ErrorLine(kPhaseTwo, "(Second Phase). Error. Phase One has not been called on this socket. Skipping function");
        return NET::kBadParameters;
    }
    StopAsyncOpen(*record);
    if (record->FD_Close_Received == 1) {
        NormalLine(kPhaseTwo, "Clearing any queued packets for this connection");
        SimpleClearInQueue(0, record->Socket, record->SockID);
        SimpleClearOutQueue(0, record->Socket, record->SockID);
        qSimpleClientSockets.Erase(record->SockID);
        NormalLine(kPhaseTwo,
                   "Deleted record from qSimpleClientSockets. There are now {} records in qSimpleClientSockets.",
                   qSimpleClientSockets.Count());
        return 0;
    }
    NormalLine(kPhaseTwo,
               "Hold on, we haven't received FD_CLOSE yet. Will continue waiting for it or for the DLL to clear this "
               "socket up");
    NormalLine(kPhaseTwo, "Records (qSimpleClientSockets) = {}", qSimpleClientSockets.Count());
    record->PhaseTwoCloseCalled = 1;
    return 0;
}
