// Opening client connections: the open entry point, background lookups and
// their answers, socket creation and connect, and the open time-out check.
#include <arpa/inet.h>

#include <array>

#include "net/engine/engine_log.h"
#include "net/engine/engine_sockets.h"
#include "net/engine/simple_engine_internal.h"
#include "netcore/host_names.h"
#include "netcore/net_codes.h"
#include "netcore/net_lock_check.h"
#include "platform/sockets.h"

namespace {

constexpr int32_t kAllClientEvents = platform::FD_READ | platform::FD_WRITE | platform::FD_CONNECT | platform::FD_CLOSE;
constexpr int32_t kConnectedEvents = platform::FD_READ | platform::FD_WRITE | platform::FD_CLOSE;

/// Cursor of client message numbers; advanced before use, so the first is 6180.
int32_t CurrentSimpleClientSock = NET::SimpleLastClientMessage;

NETDLL::SimpleClientDetailsType DetailsOf(const NET::SimpleConnectionType& connection, uint32_t address) {
    NETDLL::SimpleClientDetailsType details;
    details.SockID = connection.SockID;
    details.NotifyThread = connection.NotifyThread;
    details.NotifyEvent = connection.NotifyEvent;
    details.AsyncOpenTimeout = connection.AsyncOpenTimeout;
    details.InactiveTimeout = connection.InactiveTimeout;
    details.Port = connection.Port;
    details.Server = connection.Server.View();
    details.ServerIP = address;
    details.SSL = connection.SSL;
    details.SSL_Method = connection.SSL_Method;
    details.SSL_DontConnectOnOpen = connection.SSL_DontConnectOnOpen;
    return details;
}

void NoteInactiveTimeout(SimpleRecord& record, int32_t timeout) {
    record.InactiveTimeout = timeout;
    if (timeout == 0) return;
    record.LastActive = EngineNow();
    NetMemory.NetSimpleInactiveUsed = 1;
}

/// The asynchronous branch of an open by host name.
int32_t StartBackgroundLookup(const NET::SimpleConnectionType& connection) {
    const std::string server = connection.Server.Str();
    const int32_t handle = EngineAsyncGetHostByName(server);
    if (handle == 0) {
        const int32_t code = platform::WSAGetLastError();
        ErrorLine("SimpleClientOpen", "Async DNS Error  = {} = {}", code, NetErrorStr(code));
        return code;
    }
    NetMemory.CountSimpleAsyncDNS += 1;
    SimpleRecord record;
    record.SockID = connection.SockID;
    record.Server = server;
    record.Port = connection.Port;
    record.NotifyThread = connection.NotifyThread;
    record.NotifyEvent = connection.NotifyEvent;
    record.AsyncDNSHandle = handle;
    record.lpDNSSimple = 1;
    record.AsyncOpenStopTime = SetSimpleClientSocketsAsyncOpenStopTime(connection.AsyncOpenTimeout);
    NoteInactiveTimeout(record, connection.InactiveTimeout);
    qSimpleClientSockets.Add(record);
    DetailLine("SimpleClientOpen", "Requested Async DNS Lookup on Server = [{}] will wait for reply.", server);
    return 0;
}

/// A free client message number, or 0 after 1000 tries.
int32_t GetNextMessageNumber() {
    for (int tries = 0; tries < 1000; ++tries) {
        CurrentSimpleClientSock += 1;
        if (CurrentSimpleClientSock > NET::SimpleLastClientMessage) {
            CurrentSimpleClientSock = NET::SimpleFirstClientMessage;
        }
        if (!qSimpleClientSockets.MessageInUse(CurrentSimpleClientSock)) return CurrentSimpleClientSock;
    }
    return 0;
}

void DeleteOldEntry(int32_t sockID) {
    SimpleRecord* old = qSimpleClientSockets.BySockID(sockID);
    if (old == nullptr) return;
    DetailLine("SimpleClientOpenB", "Deleting old entry still found in qSimpleClientSockets. Socket = {} SockID = {}",
               old->Socket, sockID);
    qSimpleClientSockets.Erase(sockID);
}

void FillRecord(SimpleRecord& record, const NETDLL::SimpleClientDetailsType& details, int32_t socket) {
    record.Socket = socket;
    record.SockID = details.SockID;
    record.Server = details.Server.View();
    record.Port = details.Port;
    record.Addr = platform::SockAddrIn{};
    record.Addr.sin_port = ::htons(details.Port);
    record.Addr.sin_addr = details.ServerIP;
    record.NotifyThread = details.NotifyThread;
    record.NotifyEvent = details.NotifyEvent;
    record.SSL = details.SSL;
    record.SSL_Method = details.SSL_Method;
    record.SSL_DontConnectOnOpen = details.SSL_DontConnectOnOpen;
}

/// Records the local address of a connected socket; false when it is unknown.
bool ReadLocalAddress(SimpleRecord& record, std::string_view function) {
    if (platform::getsockname(record.Socket, record.LocAddr) != 0) {
        ErrorLine(function, "Error. Getsockname failed. Could not find out the local IP on this socket");
        return false;
    }
    DetailLine(function, "This socket is connected using Local IP = {}", DottedIP(record.LocAddr.sin_addr));
    return true;
}

/// Undoes a failed socket step of SimpleClientOpenB.
int32_t FailOpenB(int32_t isNew, SimpleRecord& record, int32_t code) {
    SimpleCloseSocket(record.Socket, 1, 0, 0);
    record.SSL_lpSSL = 0;
    record.SSL_lpSSL_CTX = 0;
    if (isNew == 0) qSimpleClientSockets.Save(record);
    return code;
}

int32_t SelectNotifications(int32_t isNew, SimpleRecord& record, int32_t events, std::string_view what) {
    if (EngineAsyncSelect(record.Socket, record.AsyncMessage, events) == 0) return 0;
    const int32_t code = platform::WSAGetLastError();
    ErrorLine("SimpleClientOpenB", "Error ({}) calling WSAAsyncSelect(). Error = {}{} Socket = {} SockID = {}", what,
              what == "Asynchronous Open" ? " " : "", CodeAndText(code), record.Socket, record.SockID);
    return FailOpenB(isNew, record, code);
}

std::string ConnectionDetails(const SimpleRecord& record) {
    return fmt::format("{} ({}) Socket = {} SockID = {} SSL = {} AsyncMessage = {} Local = ({})", record.Server.View(),
                       AddressAndPort(record.Addr), record.Socket, record.SockID, record.SSL, record.AsyncMessage,
                       AddressAndPort(record.LocAddr));
}

/// Step 11 and 12 of SimpleClientOpenB: keep the record and say how it was opened.
int32_t KeepOpenedRecord(int32_t isNew, SimpleRecord& record, bool async) {
    const bool kept = isNew == 1 ? qSimpleClientSockets.Add(record) : qSimpleClientSockets.Save(record);
    if (!kept) {
        ErrorLine("SimpleClientOpenB", "Could not add to qSimpleClientSockets. Error = {}",
                  CodeAndText(NET::kQueueError));
        SimpleCloseSocket(record.Socket, 1, 0, 0);
        return NET::kQueueError;
    }
    if (!async) {
        DetailLine("SimpleClientOpenB", "Opened Simple Connection Synchronously. To remote host = {}",
                   ConnectionDetails(record));
        return 0;
    }
    NetMemory.CountSimpleAsyncOpens += 1;
    DetailLine("SimpleClientOpenB",
               "Opening Simple Connection Asynchronously (Waiting for Async Messages). Connection To remote host = {}"
               " NetMem:CountSimpleAsyncOpens = {}",
               ConnectionDetails(record), NetMemory.CountSimpleAsyncOpens);
    return 0;
}

/// Socket, message number and record of SimpleClientOpenB (steps 1 to 6).
int32_t PrepareRecord(int32_t isNew, const NETDLL::SimpleClientDetailsType& details, SimpleRecord& record) {
    const platform::SocketHandle socket = platform::socket();
    if (socket == platform::INVALID_SOCKET) {
        const int32_t code = platform::WSAGetLastError();
        ErrorLine("SimpleClientOpenB", "Error could not create Simple Socket. Error = {}", CodeAndText(code));
        return code;
    }
    SimpleClearInQueue(details.ServerIP, socket, details.SockID);
    if (isNew == 1) DeleteOldEntry(details.SockID);
    const int32_t message = GetNextMessageNumber();
    if (message == 0) {
        ErrorLine("SimpleClientOpenB", "ERROR: Exceeded Maximum Simple Client Sockets.");
        SimpleCloseSocket(socket, 1, 0, 0);
        return NET::kTooManySendingSockets;
    }
    if (isNew == 0) {
        SimpleRecord* existing = qSimpleClientSockets.BySockID(details.SockID);
        if (existing == nullptr) {
            ErrorLine("SimpleClientOpenB", "Error. Could not find item in qSimpleClientSockets Queue.");
            SimpleCloseSocket(socket, 1, 0, 0);
            return NET::kQueueError;
        }
        record = *existing;
    } else {
        record.AsyncOpenStopTime = SetSimpleClientSocketsAsyncOpenStopTime(details.AsyncOpenTimeout);
    }
    FillRecord(record, details, socket);
    record.AsyncMessage = message;
    return 0;
}

}  // namespace

int32_t SetSimpleClientSocketsAsyncOpenStopTime(int32_t timeout) {
    if (timeout == 0) return 0;
    int32_t stop = EngineNow() + timeout;
    if (stop >= NET::ClocksPerDay) stop -= NET::ClocksPerDay;
    return stop == 0 ? 1 : stop;
}

int32_t SimpleClientOpen(NET::SimpleConnectionType& connection) {
    BRACKWATER_ASSERT_LOCK_HELD();
    if (NetMemory.CallBackWindowLoaded == 0) {
        ErrorLine("SimpleClientOpen", "Sparlin DLL not active. Sparlin was unable to initialise.");
        return NET::kNotInitiated;
    }
    if (connection.SockID > 0) {
        DetailLine("SimpleClientOpen", "Will Clear In Packets on old SockID = {}", connection.SockID);
        SimpleClearInQueue(0, connection.Socket, connection.SockID);
    }
    NetMemory.SockID += 1;
    connection.SockID = NetMemory.SockID;
    connection.Socket = 0;
    connection.Internal_.IP = 0;
    connection.LocalIP = "<unknown>";

    uint32_t address = platform::inet_addr(connection.Server.Str());
    if (address == platform::INADDR_NONE_VALUE) {
        if (connection.AsyncOpenTimeout > 0) return StartBackgroundLookup(connection);
        const std::string answer = DNSBlocking(connection.Server.View());
        if (answer.empty()) {
            ErrorLine("SimpleClientOpen", "Could not resolve host name. Server/HostName = {}",
                      connection.Server.View());
            return NET::kAddressNotFound;
        }
        address = platform::inet_addr(answer);
        connection.Internal_.IP = static_cast<int32_t>(address);
    }
    const int32_t result = SimpleClientOpenB(1, DetailsOf(connection, address));
    if (result != 0) return result;
    SimpleRecord* record = qSimpleClientSockets.BySockID(connection.SockID);
    if (record == nullptr) return result;
    connection.Socket = record->Socket;
    if (record->LocAddr.sin_addr != 0) connection.LocalIP = DottedIP(record->LocAddr.sin_addr);
    return 0;
}

int32_t SimpleClientOpenB(int32_t isNew, const NETDLL::SimpleClientDetailsType& details) {
    SimpleRecord record;
    const int32_t prepared = PrepareRecord(isNew, details, record);
    if (prepared != 0) return prepared;

    const bool async = record.AsyncOpenStopTime != 0 || details.AsyncOpenTimeout != 0;
    if (async) {
        const int32_t failed = SelectNotifications(isNew, record, kAllClientEvents, "Asynchronous Open");
        if (failed != 0) return failed;
        record.AsyncOpenInProgress = 1;
    }
    if (platform::connect(record.Socket, record.Addr) != 0) {
        const int32_t code = platform::WSAGetLastError();
        if (!(async && code == platform::WSAEWOULDBLOCK)) {
            ErrorLine("SimpleClientOpenB", "Error Connecting. To host = {} Port = {} IP = {} Error = {}",
                      record.Server.View(), record.Port, DottedIP(record.Addr.sin_addr), CodeAndText(code));
            return FailOpenB(isNew, record, code);
        }
    }
    record.PhaseOneCloseTime = EngineNow();
    record.PhaseOneCloseCalled = 0;
    record.FD_Close_Received = 0;
    record.PhaseTwoCloseCalled = 0;
    NoteInactiveTimeout(record, details.InactiveTimeout);
    if (!async) {
        const int32_t failed = SelectNotifications(isNew, record, kConnectedEvents, "Synchronous Open");
        if (failed != 0) return failed;
        ReadLocalAddress(record, "SimpleClientOpenB");
        record.GotFD_Connect = 1;
    }
    return KeepOpenedRecord(isNew, record, async);
}

// ---- background lookup answers ----

namespace {

void LookupFailed(int32_t handle, int32_t error) {
    ErrorLine("SimpleAsyncDNS", "DNS Lookup Error = {} which means = {}", error, NetErrorStr(error));
    EngineDropLookupAnswer(handle);
    SimpleRecord* record = qSimpleClientSockets.ByDNSHandle(handle);
    if (record == nullptr) {
        ErrorLine("SimpleAsyncDNS", "Error. Could not update qSimpleClientSockets");
        return;
    }
    qSimpleClientSockets.SetAsyncDNSHandle(*record, 0);
    record->lpDNSSimple = 0;
    MarkClosing(*record);
    NormalLine("SimpleAsyncDNS", "Error! Could not connect to {}:{} on SockID = {}", record->Server.View(),
               record->Port, record->SockID);
    StoredPacket packet;
    packet.PacketType = NET::SimpleAsyncOpenFailed;
    packet.SockID = record->SockID;
    packet.NetError = NET::kOpenTimeout;
    packet.WinSockError = error;
    StoreSimplePacket(packet, record->NotifyThread, record->NotifyEvent);
}

/// The open after a lookup's answer could not be made: packet 8, record gone.
void OpenAfterLookupFailed(int32_t sockID, int32_t result) {
    SimpleRecord* record = qSimpleClientSockets.BySockID(sockID);
    if (record == nullptr) {
        ErrorLine("SimpleAsyncDNS",
                  "Error. Could not find item in qSimpleClientSockets Queue (after calling SimpleClientOpenB).");
        return;
    }
    StoredPacket packet;
    packet.PacketType = NET::SimpleAsyncOpenFailed;
    packet.SockID = sockID;
    packet.NetError = result;
    StoreSimplePacket(packet, record->NotifyThread, record->NotifyEvent);
    qSimpleClientSockets.Erase(sockID);
}

}  // namespace

int32_t SimpleAsyncDNS(int32_t taskHandle, int32_t notification) {
    NetMemory.CountSimpleAsyncDNS -= 1;
    const int32_t error = platform::SelectError(notification);
    if (error != 0) {
        LookupFailed(taskHandle, error);
        return 0;
    }
    SimpleRecord* record = qSimpleClientSockets.ByDNSHandle(taskHandle);
    if (record == nullptr) {
        ErrorLine("SimpleAsyncDNS", "Error. Could not find qSimpleClientSockets.AsyncDNSHandle = {}", taskHandle);
        EngineDropLookupAnswer(taskHandle);
        return 0;
    }
    uint32_t address = 0;
    if (record->lpDNSSimple == 0 || !EngineTakeLookupAnswer(taskHandle, &address)) {
        ErrorLine("SimpleAsyncDNS", "DNS Lookup Error. qSimpleClientSockets.lpDNSSimple = 0");
        address = 0;
    }
    record->lpDNSSimple = 0;
    NormalLine("SimpleAsyncDNS", "Found details. Will try and open connection to {} ({}) on port {} SockID = {}",
               record->Server.View(), DottedIP(address), record->Port, record->SockID);
    qSimpleClientSockets.SetAsyncDNSHandle(*record, 0);

    NETDLL::SimpleClientDetailsType details;
    details.SockID = record->SockID;
    details.NotifyThread = record->NotifyThread;
    details.NotifyEvent = record->NotifyEvent;
    details.Server = record->Server.View();
    details.ServerIP = address;
    details.Port = record->Port;
    details.InactiveTimeout = record->InactiveTimeout;
    details.AsyncOpenStopTime = record->AsyncOpenStopTime;
    const int32_t sockID = record->SockID;
    const int32_t result = SimpleClientOpenB(0, details);
    if (result != 0) OpenAfterLookupFailed(sockID, result);
    return 0;
}

// ---- open time-outs ----

namespace {

/// True when `stop` has come by `now`. Stop times are times of day, so one
/// that lies just past midnight is still to come late in the evening.
bool StopTimeReached(int32_t stop, int32_t now) {
    int32_t diff = now - stop;
    if (diff < -NET::ClocksPerDay / 2) diff += NET::ClocksPerDay;
    if (diff > NET::ClocksPerDay / 2) diff -= NET::ClocksPerDay;
    return diff >= 0;
}

void PostTimeOutPacket(const SimpleRecord& record, int32_t onSocket, int32_t netError) {
    StoredPacket packet;
    packet.PacketType = NET::SimpleAsyncOpenFailed;
    packet.SockID = record.SockID;
    packet.OnSocket = onSocket;
    packet.NetError = netError;
    const int32_t number = StoreSimplePacket(packet, record.NotifyThread, record.NotifyEvent);
    DetailLine("Timer_CheckSimpleAsyncOpens",
               "Posted Socket Failure Packet Notification to _DebugPacketNumber = {} Thread = {} Event = {}", number,
               record.NotifyThread, record.NotifyEvent);
}

void LookupTimedOut(SimpleRecord& record) {
    NormalLine("Timer_CheckSimpleAsyncOpens",
               "Error! DNS TimeOut occurred while trying to connect to {}:{} on SockID = {}", record.Server.View(),
               record.Port, record.SockID);
    EngineCancelAsyncRequest(record.AsyncDNSHandle);
    EngineDropLookupAnswer(record.AsyncDNSHandle);
    NetMemory.CountSimpleAsyncDNS -= 1;
    qSimpleClientSockets.SetAsyncDNSHandle(record, 0);
    record.lpDNSSimple = 0;
    MarkClosing(record);
    PostTimeOutPacket(record, 0, NET::kOpenTimeout);
}

void ConnectTimedOut(SimpleRecord& record) {
    NormalLine("Timer_CheckSimpleAsyncOpens", "Error! TimeOut occurred while trying to connect to {}:{} on SockID = {}",
               record.Server.View(), record.Port, record.SockID);
    if (record.PhaseOneCloseCalled == 1) return;
    qSimpleClientSockets.SetAsyncMessage(record, 0);
    DetailLine("Timer_CheckSimpleAsyncOpens", "calling shutdown (SD_BOTH)");
    platform::shutdown(record.Socket, platform::SD_BOTH);
    DetailLine("Timer_CheckSimpleAsyncOpens", "Calling CloseSocket on socket={}", record.Socket);
    const int32_t closed = SimpleCloseSocket(record.Socket, 2, record.SSL_lpSSL, record.SSL_lpSSL_CTX);
    if (closed != 0) {
        ErrorLine("Timer_CheckSimpleAsyncOpens", "Warning. Call to CloseSocket failed. Error = {}",
                  CodeAndText(closed));
    }
    record.AsyncOpenInProgress = 0;
    NetMemory.CountSimpleAsyncOpens -= 1;
    MarkClosing(record);
    PostTimeOutPacket(record, record.Socket, 0);
}

}  // namespace

void Timer_CheckSimpleAsyncOpens() {
    if (NetMemory.CountSimpleAsyncOpens == 0 && NetMemory.CountSimpleAsyncDNS == 0) return;
    const int32_t now = EngineNow();
    for (int32_t sockID : qSimpleClientSockets.SockIDs()) {
        SimpleRecord* record = qSimpleClientSockets.BySockID(sockID);
        if (record == nullptr || record->AsyncOpenStopTime == 0) continue;
        if (!StopTimeReached(record->AsyncOpenStopTime, now)) continue;
        if (record->AsyncDNSHandle != 0) {
            LookupTimedOut(*record);
        } else if (record->AsyncOpenInProgress == 1) {
            ConnectTimedOut(*record);
        }
    }
}
