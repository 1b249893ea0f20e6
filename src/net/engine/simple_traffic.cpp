// Traffic on an open connection: queueing and writing outgoing packets,
// reading received bytes into stored packets.
#include <array>

#include "net/engine/engine_log.h"
#include "net/engine/simple_engine_internal.h"
#include "netcore/net_codes.h"
#include "netcore/net_lock_check.h"
#include "platform/sockets.h"

namespace {

/// The one receive buffer of the engine; the library lock makes sharing it safe.
std::array<char, NET::MaxBinData> ReceiveBuffer;

/// Counts kept for statistics only.
int64_t PacketsSentCount = 0;
int64_t WouldBlockCount = 0;
int64_t ReadCount = 0;

void NoteTraffic(SimpleRecord& record) {
    if (NetMemory.NetSimpleInactiveUsed == 1 && record.InactiveTimeout != 0) record.LastActive = EngineNow();
}

bool IsClosing(const SimpleRecord& record) {
    return record.ClosingState != 0 || record.PhaseOneCloseCalled != 0 || record.FD_Close_Received != 0 ||
           record.PhaseTwoCloseCalled != 0;
}

/// A send that failed: would-block waits for the write notification.
int32_t SendFailed(SimpleRecord& record, int32_t code, int32_t writtenThisCall) {
    if (code != platform::WSAEWOULDBLOCK) {
        ErrorLine("SimpleClientWrite",
                  "Error Sending Asyc Packet (connection was okay though) on socket = {} SockID = {} Error = {}",
                  record.Socket, record.SockID, NetErrorStr(code));
        return code;
    }
    WouldBlockCount += 1;
    if (writtenThisCall == 0) {
        NormalLine("SimpleClientWrite",
                   "WinSock reported 10035 WSAEWOULDBLOCK. ie We can't send the first packet for now. We'll send more "
                   "later. SockID = {}",
                   record.SockID);
    } else {
        NormalLine("SimpleClientWrite", "10035 WSAEWOULDBLOCK. ie More data will be sent later. SockID = {}",
                   record.SockID);
    }
    if (NetMemory.SimpleClientOptimizeFD_WriteFix == 1) record.WaitingForFD_Write = 1;
    return code;
}

/// The queue is empty: a close that waited for it runs its first phase now.
void QueueEmptied(SimpleRecord& record) {
    DetailLine("SimpleClientWrite", "Nothing to do for this Socket. records (qSimpleOutList) = {}",
               qSimpleOutQueue.Count());
    if (record.ClosingState != 1) return;
    DetailLine("SimpleClientWrite",
               "Going to close the socket now. It's set to the closing state, and should be closed when there is no "
               "more data to send");
    if (SimpleClientClosePhaseOne(record.Socket, record.SockID) == 0) record.ClosingState = 0;
}

/// Puts a packet at the end of the connection's queue, `bytesSent` of it already written.
void QueueOutPacket(const SimpleRecord& record, int32_t id, std::string_view data, int32_t bytesSent) {
    NETDLL::SimpleOutPacketType queued;
    queued.SimplePacketID = id;
    queued.BinData = std::string(data);
    queued.BytesSent = bytesSent;
    queued.Socket = record.Socket;
    queued.SockID = record.SockID;
    queued.Addr = record.Addr;
    qSimpleOutQueue.Append(std::move(queued));
}

/// Nothing waits ahead of the packet: it is written from the caller's record,
/// and only what the socket does not take is copied into the queue. The
/// writer's steps and lines are those of a packet taken from the queue.
void WriteStraight(SimpleRecord& record, int32_t id, std::string_view data) {
    const int32_t length = static_cast<int32_t>(data.size());
    const int32_t written = platform::send(record.Socket, data.data(), length);
    if (written == platform::SOCKET_ERROR) {
        QueueOutPacket(record, id, data, 0);
        SendFailed(record, platform::WSAGetLastError(), 0);
        return;
    }
    NetMemory.BytesSent += written;
    if (written > 0) NoteTraffic(record);
    if (written < length) {
        DetailLine("SimpleClientWrite",
                   "Not all data sent now (more will be sent later). SimplePacketID = {} Wanted to send bytes = {} "
                   "Actually sent (ret) = {} Sent so far (qSimpleOutData) = {}",
                   id, length, written, written);
        QueueOutPacket(record, id, data, written);
    } else {
        DetailLine("SimpleClientWrite",
                   "Whole packet sent  SimplePacketID = {} Bytes sent now = {} Bytes sent total of this packet = {}",
                   id, written, written);
        PacketsSentCount += 1;
    }
    SimpleClientWrite(record, written);  // the rest of the packet, or the empty queue's steps
}

}  // namespace

int32_t SimpleClientSend(NET::SimpleConnectionType& connection, const NET::SimplePacketType& packet) {
    BRACKWATER_ASSERT_LOCK_HELD();
    NormalLine("SimpleClientSend", "Sending packet to Server = {} Socket = {} SockID = {}", connection.Server.View(),
               connection.Socket, connection.SockID);
    SimpleRecord* record = nullptr;
    const int32_t found = LookupSimpleClientSocket(static_cast<uint32_t>(connection.Internal_.IP), connection.Socket,
                                                   connection.SockID, &record);
    if (found != 0) {
        ErrorLine("SimpleClientSend", "Could not find host and Socket in qSimpleClientSockets");
        return found;
    }
    if (IsClosing(*record)) {
        ErrorLine("SimpleClientSend",
                  "Warning. The object may not know, but the Connection is closed or closing. ClosingState = {} "
                  "PhaseOneCloseCalled = {} FD_Close_Received = {} PhaseTwoCloseCalled = {}",
                  record->ClosingState, record->PhaseOneCloseCalled, record->FD_Close_Received,
                  record->PhaseTwoCloseCalled);
        return NET::kClientNotFound;
    }
    NetMemory.NextSimplePacketID += 1;
    const int32_t id = NetMemory.NextSimplePacketID;
    if (record->WaitingForFD_Write == 1 && NetMemory.SimpleClientOptimizeFD_WriteFix == 1) {
        QueueOutPacket(*record, id, packet.Data(), 0);
        DetailLine("SimpleClientSend", "Using new optimized code. (Will wait for FD_WRITE) Socket = {} SockID = {}",
                   record->Socket, record->SockID);
    } else if (qSimpleOutQueue.FirstFor(record->SockID, record->Socket, record->Addr) != nullptr) {
        QueueOutPacket(*record, id, packet.Data(), 0);
        SimpleClientWrite(*record);
    } else {
        WriteStraight(*record, id, packet.Data());
    }
    return 0;
}

int32_t SimpleClientWrite(SimpleRecord& record, int32_t writtenBefore) {
    int32_t writtenThisCall = writtenBefore;
    for (;;) {
        NETDLL::SimpleOutPacketType* packet = qSimpleOutQueue.FirstFor(record.SockID, record.Socket, record.Addr);
        if (packet == nullptr) {
            QueueEmptied(record);
            return 0;
        }
        const int32_t length = static_cast<int32_t>(packet->BinData.size());
        const int32_t wanted = length - packet->BytesSent;
        const int32_t written = platform::send(record.Socket, packet->BinData.data() + packet->BytesSent, wanted);
        if (written == platform::SOCKET_ERROR) return SendFailed(record, platform::WSAGetLastError(), writtenThisCall);
        writtenThisCall += written;
        packet->BytesSent += written;
        NetMemory.BytesSent += written;
        if (written > 0) NoteTraffic(record);
        if (packet->BytesSent < length) {
            // The socket took part of it. Asking again either takes more or
            // meets a would-block, which brings the write notification that
            // finishes the packet; returning now would leave it waiting.
            DetailLine("SimpleClientWrite",
                       "Not all data sent now (more will be sent later). SimplePacketID = {} Wanted to send bytes = {} "
                       "Actually sent (ret) = {} Sent so far (qSimpleOutData) = {}",
                       packet->SimplePacketID, wanted, written, packet->BytesSent);
            continue;
        }
        DetailLine("SimpleClientWrite",
                   "Whole packet sent  SimplePacketID = {} Bytes sent now = {} Bytes sent total of this packet = {}",
                   packet->SimplePacketID, written, packet->BytesSent);
        PacketsSentCount += 1;
        qSimpleOutQueue.RemoveFirst(record.SockID, packet->SimplePacketID);
    }
}

namespace {

/// The object has not taken enough of what waits for it: stop reading its socket.
void HoldReadingWhenFull(SimpleRecord& record) {
    const std::size_t packets = qSimpleInData.CountOf(record.SockID);
    const std::size_t bytes = qSimpleInData.BytesOf(record.SockID);
    if (record.ReadHeld == 1 || (packets < kMostStoredPackets && bytes < kMostStoredBytes)) return;
    record.ReadHeld = 1;
    DetailLine("ReadData",
               "Reading held: {} packets ({} bytes) wait for the object. Socket = {} SockID = {} (the peer is slowed "
               "by the TCP window until the object has taken them)",
               packets, bytes, record.Socket, record.SockID);
}

/// What one receive call gave; false when reading should stop.
bool ReadOnce(SimpleRecord& record, int32_t message, bool first) {
    const int32_t n = platform::recv(record.Socket, ReceiveBuffer.data(), static_cast<int32_t>(ReceiveBuffer.size()));
    if (n > 0) {
        ReadCount += 1;
        NetMemory.BytesReceived += n;
        NoteTraffic(record);
        StoredPacket packet;
        packet.PacketType = NET::SimplePartialDataPacket;
        packet.FromIP = record.Addr.sin_addr;
        packet.OnSocket = record.Socket;
        packet.SockID = record.SockID;
        packet.Data = std::string_view(ReceiveBuffer.data(), static_cast<std::size_t>(n));
        const int32_t number = StoreSimplePacket(packet, record.NotifyThread, record.NotifyEvent);
        DetailLine("ReadData",
                   "Client FD_READ. Message = {} Socket = {} SockID = {} Total read now = {} _DebugPacketNumber = {}",
                   message, record.Socket, record.SockID, n, number);
        DetailLine("ReadData", "Posted Notification to Thread = {} Event = {}", record.NotifyThread,
                   record.NotifyEvent);
        HoldReadingWhenFull(record);
        return true;
    }
    if (n == 0) {
        DetailLine("ReadData", "Nothing more to read (connection has probably been closed)");
        return false;
    }
    const int32_t code = platform::WSAGetLastError();
    if (!first) return false;
    if (code == platform::WSAEWOULDBLOCK) {
        DetailLine("ReadData", "Nothing more to read for now (WSAEWOULDBLOCK).");
    } else if (code == platform::WSAECONNRESET || code == platform::WSAECONNABORTED) {
        DetailLine("ReadData", "Connection was closed (hard) from the Remote Side. Can not read from it. ({})", code);
    } else {
        ErrorLine("ReadData", "Error trying to read Data from Socket. (loc:rc = {}) Error = {} => {}", n, code,
                  NetErrorStr(code));
        DetailLine("ReadData", "Nothing to read. Could not read.");
    }
    return false;
}

}  // namespace

void ReadData(SimpleRecord& record, int32_t message, bool fromReadNotification) {
    int32_t reads = 0;
    bool more = true;
    while (more) {
        more = ReadOnce(record, message, reads == 0);
        reads += 1;
        if (fromReadNotification && (NetMemory.SimpleClientOptimizeFD_ReadFix == 1 || record.ReadHeld == 1)) break;
    }
    DetailLine("ReadData", "Number of Reads = {}", reads);
}

void ResumeReadingIfTaken(int32_t sockID) {
    SimpleRecord* record = qSimpleClientSockets.BySockID(sockID);
    if (record == nullptr || record->ReadHeld == 0) return;
    if (qSimpleInData.CountOf(sockID) > kMostStoredPackets / 2 || qSimpleInData.BytesOf(sockID) > kMostStoredBytes / 2)
        return;
    record->ReadHeld = 0;
    DetailLine("ReadData", "Reading resumed. Socket = {} SockID = {}", record->Socket, record->SockID);
    // A closed socket has been read to its end by the close handling.
    if (record->FD_Close_Received == 0) ReadData(*record, record->AsyncMessage, true);
}
