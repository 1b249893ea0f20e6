// Socket notifications of client connections: the dispatch by event and the
// connect completion.
#include "net/engine/engine_log.h"
#include "net/engine/simple_engine_internal.h"
#include "netcore/net_codes.h"
#include "netcore/net_lock_check.h"
#include "platform/sockets.h"

namespace {

constexpr std::string_view kAsync = "SimpleClient_Async";

void WarnDeadSocket(int32_t message, int32_t event) {
    if (event == platform::FD_CONNECT || event == platform::FD_WRITE) {
        NormalLine(
            kAsync,
            "Warning! A socket is dead. Got a {} message for a socket that is no longer in qSimpleClientSockets. "
            "(ie The connection was closed before the package could be sent).Message = {}",
            event == platform::FD_CONNECT ? "FD_CONNECT" : "FD_WRITE", message);
        return;
    }
    const char* name = event == platform::FD_READ ? "FD_READ" : event == platform::FD_CLOSE ? "FD_CLOSE" : "UNKNOWN";
    NormalLine(kAsync,
               "Warning! A socket is dead. Got a {} message for a socket that is no longer in qSimpleClientSockets. "
               "(ie The connection was closed before the message arrived).Message = {}",
               name, message);
}

void CheckForError(const SimpleRecord& record, int32_t error, int32_t event, int32_t message) {
    if (error == 0) return;
    ErrorLine("SimpleClient_Async - CheckForError",
              "Received an error =  {} {} WSAGetSelecEvent = {} Message = {} Socket = {} SockID = {}", error,
              NetErrorStr(error), event, message, record.Socket, record.SockID);
}

std::string SocketDetails(const SimpleRecord& record, int32_t error) {
    return fmt::format("Socket = {} SockID = {} Err = {}", record.Socket, record.SockID, error);
}

/// A read or write that comes before the connect completes the connect first.
void CompleteConnectFirst(SimpleRecord& record, std::string_view event, int32_t error) {
    if (record.GotFD_Connect != 0) return;
    DetailLine(kAsync, "{} before FD_CONNECT - will simulate receiving FD_CONNECT {}", event,
               SocketDetails(record, error));
    ProcessConnection(record, 0);
}

void OnConnect(SimpleRecord& record, int32_t error) {
    if (record.GotFD_Connect == 0) {
        DetailLine(kAsync, "FD_CONNECT  {}", SocketDetails(record, error));
        ProcessConnection(record, error);
        return;
    }
    DetailLine(kAsync, "FD_CONNECT - Already processed when we got a FD_READ before FD_CONNECT for this socket  {}",
               SocketDetails(record, error));
}

void OnWrite(SimpleRecord& record, int32_t error, int32_t message) {
    if (NetMemory.LogAll == 1) DetailLine(kAsync, "FD_WRITE  {}", SocketDetails(record, error));
    if (NetMemory.SimpleClientOptimizeFD_WriteFix == 1 && record.WaitingForFD_Write == 1) record.WaitingForFD_Write = 0;
    CheckForError(record, error, platform::FD_WRITE, message);
    CompleteConnectFirst(record, "FD_WRITE", error);
    if (record.PhaseOneCloseCalled == 1 && record.FD_Close_Received == 1) return;  // a failed connect
    SimpleClientWrite(record);
}

void OnRead(SimpleRecord& record, int32_t error, int32_t message) {
    if (NetMemory.LogAll == 1) DetailLine(kAsync, "FD_READ  {}", SocketDetails(record, error));
    CheckForError(record, error, platform::FD_READ, message);
    CompleteConnectFirst(record, "FD_READ", error);
    // While reading is held no receive is made, so no further read notification
    // comes until the object's taking resumes it.
    if (record.ReadHeld == 0) ReadData(record, message, true);
}

void OnClose(SimpleRecord& record, int32_t error, int32_t message) {
    const std::string details =
        fmt::format("Message = {} Socket = {} SockID = {}", message, record.Socket, record.SockID);
    if (error == platform::WSAECONNRESET || error == platform::WSAECONNABORTED) {
        DetailLine(kAsync, "Client FD_CLOSE. Connection Closed (hard) from Remote side. ({}) {}", error, details);
    } else if (error == 0) {
        DetailLine(kAsync, "Client FD_CLOSE. {} ErrParam = 0 (graceful close)", details);
    } else {
        DetailLine(kAsync, "Client FD_CLOSE. {} ErrParam = {} (Error ocurred)", details, error);
        CheckForError(record, error, platform::FD_CLOSE, message);
    }
    CloseTheSocket(record, error);
}

}  // namespace

int32_t SimpleClient_Async(int32_t Msg, int32_t notification) {
    BRACKWATER_ASSERT_LOCK_HELD();
    const int32_t event = platform::SelectEvent(notification);
    const int32_t error = platform::SelectError(notification);
    SimpleRecord* record = qSimpleClientSockets.ByMessage(Msg);
    if (record == nullptr) {
        WarnDeadSocket(Msg, event);
        return NET::kSocketDead;
    }
    switch (event) {
        case platform::FD_CONNECT:
            OnConnect(*record, error);
            break;
        case platform::FD_WRITE:
            OnWrite(*record, error, Msg);
            break;
        case platform::FD_READ:
            OnRead(*record, error, Msg);
            break;
        case platform::FD_CLOSE:
            OnClose(*record, error, Msg);
            break;
        default:
            NormalLine(kAsync, "Unknown Client Message = {} Unknown param = {} Socket = {} SockID = {}", Msg, event,
                       record->Socket, record->SockID);
    }
    return 0;
}

namespace {

constexpr std::string_view kConnection = "ProcessConnection";

void PostConnectionStatus(const SimpleRecord& record, int32_t error, std::string_view data) {
    StoredPacket packet;
    packet.FromIP = record.Addr.sin_addr;
    packet.OnSocket = record.Socket;
    packet.SockID = record.SockID;
    packet.WinSockError = error;
    packet.Data = data;
    const bool success = error == 0;
    packet.PacketType = success ? NET::SimpleAsyncOpenSuccessful : NET::SimpleAsyncOpenFailed;
    if (success) {
        DetailLine("SimpleClientPostConnectionStatus",
                   "Received SIMPLE_CLIENT-FD_CONNECT - Asychronous Connection Established. Socket = {} SockID = {}",
                   record.Socket, record.SockID);
    } else {
        DetailLine("SimpleClientPostConnectionStatus",
                   "Received SIMPLE_CLIENT-FD_CONNECT - Error - Asychronous Connection did not connect.  Socket = {}"
                   " SockID = {} NetError = 0 WinSockError = {} SSLError = 0",
                   record.Socket, record.SockID, error);
    }
    const int32_t number = StoreSimplePacket(packet, record.NotifyThread, record.NotifyEvent);
    DetailLine("SimpleClientPostConnectionStatus",
               "Posted Socket {} Packet Notification to Thread = {} Event = {} _DebugPacketNumber = {}",
               success ? "Successful" : "Failure (Error)", record.NotifyThread, record.NotifyEvent, number);
}

}  // namespace

void ProcessConnection(SimpleRecord& record, int32_t error) {
    record.GotFD_Connect = 1;
    std::string_view data;
    if (platform::getsockname(record.Socket, record.LocAddr) == 0) {
        DetailLine(kConnection, "This socket is connected using Local IP = {}", DottedIP(record.LocAddr.sin_addr));
    } else {
        ErrorLine(kConnection, "Error. Getsockname failed. Could not find out the local IP on this socket");
        data = "<unknown>";
    }
    qSimpleClientSockets.SetAsyncDNSHandle(record, 0);
    if (record.AsyncOpenInProgress == 1) {
        record.AsyncOpenInProgress = 0;
        NetMemory.CountSimpleAsyncOpens -= 1;
    }
    record.AsyncOpenStopTime = 0;
    if (NetMemory.NetSimpleInactiveUsed == 1 && record.InactiveTimeout != 0) record.LastActive = EngineNow();
    if (error != 0) {
        CheckForError(record, error, platform::FD_CONNECT, record.AsyncMessage);
        MarkClosing(record);
        // Nothing more comes of a failed connect; its socket is closed now, so
        // "closed" always means the socket is gone.
        SimpleCloseSocket(record.Socket, 1, 0, 0);
    }
    PostConnectionStatus(record, error, data);
}
