// The callback window's periodic checks of client connections (idle reports,
// closings that never completed) and its closing of every client socket.
#include "net/engine/engine_log.h"
#include "net/engine/engine_sockets.h"
#include "net/engine/simple_engine_internal.h"
#include "platform/sockets.h"

namespace {

/// "hh:mm:ss" of a time of day in hundredths from midnight plus 1.
std::string TimeOfDayText(int32_t time) {
    const int32_t seconds = time > 0 ? (time - 1) / 100 : 0;
    return fmt::format("{:02}:{:02}:{:02}", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

void CheckIdle(SimpleRecord& record, int32_t now) {
    if (record.LastActive > now) {
        record.LastActive -= NET::ClocksPerDay;  // the clock has passed midnight
        if (record.LastActive > now) record.LastActive = now;
    }
    if (record.LastActive == 0) record.LastActive = now;
    if (now - record.LastActive < record.InactiveTimeout) return;
    NormalLine(
        "Timer_CheckForSimpleIdleConnections",
        "Idle (Client) Connection on Socket = {} SockID = {} InActive Timeout = {} Last Active at {} Time now is {}",
        record.Socket, record.SockID, record.InactiveTimeout, TimeOfDayText(record.LastActive), TimeOfDayText(now));
    record.LastActive = now;
    StoredPacket packet;
    packet.PacketType = NET::SimpleIdleConnection;
    packet.FromIP = record.Addr.sin_addr;
    packet.OnSocket = record.Socket;
    packet.SockID = record.SockID;
    StoreSimplePacket(packet, record.NotifyThread, record.NotifyEvent);
}

void FinishExpiredClosing(SimpleRecord& record) {
    constexpr std::string_view kCheck = "CheckToCloseNetSimpleSockets";
    SimpleClearInQueue(0, record.Socket, record.SockID);
    SimpleClearOutQueue(0, record.Socket, record.SockID);
    NormalLine(kCheck,
               "Closing State on Client Socket has expired. Will run 2nd Phase close on Socket = {} SockID = {}",
               record.Socket, record.SockID);
    if (record.FD_Close_Received == 0) {
        NormalLine(kCheck,
                   "We never received FD_CLOSE. Closing Socket and Simulating as if we had received FD_Close already");
        const int32_t closed = SimpleCloseSocket(record.Socket, 2, record.SSL_lpSSL, record.SSL_lpSSL_CTX);
        if (closed != 0) ErrorLine(kCheck, "Warning. Call to CloseSocket failed. Error = {}", CodeAndText(closed));
        record.FD_Close_Received = 1;
        qSimpleClientSockets.SetAsyncMessage(record, 0);
    }
    SimpleClientClosePhaseTwo(record.Socket, record.SockID);
}

}  // namespace

void Timer_CheckForSimpleIdleConnections() {
    if (NetMemory.NetSimpleInactiveUsed != 1) return;
    const int32_t now = EngineNow();
    for (int32_t sockID : qSimpleClientSockets.SockIDs()) {
        SimpleRecord* record = qSimpleClientSockets.BySockID(sockID);
        if (record == nullptr || record->InactiveTimeout == 0 || record->PhaseOneCloseCalled != 0) continue;
        CheckIdle(*record, now);
    }
}

void CheckClosingSimpleSockets() {
    const int32_t now = EngineNow();
    const std::vector<int32_t> ids = qSimpleClientSockets.SockIDs();
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
        SimpleRecord* record = qSimpleClientSockets.BySockID(*id);
        if (record == nullptr || record->PhaseOneCloseCalled != 1) continue;
        if (record->PhaseOneCloseTime > now) record->PhaseOneCloseTime = now;
        if (record->PhaseOneCloseTime + NetMemory.SimpleClosingSocketsInterval <= now) FinishExpiredClosing(*record);
    }
}

// ---- closing everything ----

namespace {

std::string RecordDetails(const SimpleRecord& record) {
    return fmt::format("{} SockID = {} Local IP = {} Remote IP = {}", record.Socket, record.SockID,
                       AddressAndPort(record.LocAddr), AddressAndPort(record.Addr));
}

void CloseOneForCloseAll(SimpleRecord& record) {
    if (record.AsyncDNSHandle != 0) {
        EngineCancelAsyncRequest(record.AsyncDNSHandle);
        EngineDropLookupAnswer(record.AsyncDNSHandle);
    }
    if (record.FD_Close_Received == 1 || record.Socket == 0) {
        DetailLine("CloseAll", "Deleting a qSimpleClientSocket queue entry (socket previously closed)  Socket = {}",
                   RecordDetails(record));
        return;
    }
    DetailLine("CloseAll", "Closing a qSimpleClientSocket Socket = {}", RecordDetails(record));
    if (platform::shutdown(record.Socket, platform::SD_RECEIVE) != 0) {
        ErrorLine("CloseAll", "Error call to shutdown failed. Error = {}", CodeAndText(platform::WSAGetLastError()));
    }
    const int32_t closed = SimpleCloseSocket(record.Socket, 3, record.SSL_lpSSL, record.SSL_lpSSL_CTX);
    record.SSL_lpSSL = 0;
    record.SSL_lpSSL_CTX = 0;
    if (closed != 0) ErrorLine("CloseAll", "Error setting closingsocket. Error = {}", CodeAndText(closed));
}

}  // namespace

void CloseAllSimpleClientSockets() {
    for (int32_t sockID : qSimpleClientSockets.SockIDs()) {
        SimpleRecord* record = qSimpleClientSockets.BySockID(sockID);
        if (record == nullptr) continue;
        CloseOneForCloseAll(*record);
        qSimpleClientSockets.Erase(sockID);
    }
    NetMemory.CountSimpleAsyncOpens = 0;
    NetMemory.CountSimpleAsyncDNS = 0;
}

void EmptySimpleDataLists() {
    qSimpleInData.Clear();
    qSimpleOutQueue.Clear();
}
