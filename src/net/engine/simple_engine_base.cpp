// The engine's shared steps: the clock, packet posting, finding a record,
// and dropping a connection's packets.
#include <arpa/inet.h>

#include "net/engine/engine_log.h"
#include "net/engine/simple_engine_internal.h"
#include "netcore/net_codes.h"
#include "netcore/net_critical.h"
#include "netcore/net_lock_check.h"
#include "platform/clock.h"
#include "platform/threads.h"

int32_t EngineNow() { return platform::ClockTime(); }

std::string DottedIP(uint32_t address) { return platform::inet_ntoa(address); }

std::string AddressAndPort(const platform::SockAddrIn& address) {
    return fmt::format("{}:{}", DottedIP(address.sin_addr), ntohs(address.sin_port));
}

void MarkClosing(SimpleRecord& record) {
    record.PhaseOneCloseCalled = 1;
    record.PhaseOneCloseTime = EngineNow();
    record.FD_Close_Received = 1;
    qSimpleClientSockets.SetAsyncMessage(record, 0);
}

int32_t StoreSimplePacket(const StoredPacket& packet, int32_t notifyThread, int32_t notifyEvent) {
    BRACKWATER_ASSERT_LOCK_HELD();
    // Filled in place: the list reuses a taken packet's storage.
    NETDLL::SimpleInDataType& stored = qSimpleInData.Append(packet.SockID, packet.Data);
    stored.FromIP = packet.FromIP;
    stored.OnSocket = packet.OnSocket;
    stored.PacketType = packet.PacketType;
    stored.NetError = packet.NetError;
    stored.WinSockError = packet.WinSockError;
    NetMemory.NetSimpleDebugPacketNumber += 1;
    stored.DebugPacketNumber_ = NetMemory.NetSimpleDebugPacketNumber;
    NetPostEvent(notifyEvent, notifyThread);
    return NetMemory.NetSimpleDebugPacketNumber;
}

int32_t LookupSimpleClientSocket(uint32_t ip, int32_t socket, int32_t sockID, SimpleRecord** found) {
    BRACKWATER_ASSERT_LOCK_HELD();
    *found = nullptr;
    SimpleRecord* record = qSimpleClientSockets.BySockID(sockID);
    if (record == nullptr) return NET::kClientNotFound;
    if ((ip != 0 || socket != 0) && record->Socket != socket) return NET::kClientNotFound;
    if (ip != 0 && record->Addr.sin_addr != ip) return NET::kClientNotFound;
    *found = record;
    return 0;
}

namespace {

void ReportCleared(std::string_view function, std::string_view what, int32_t count) {
    if (count > 0) {
        DetailLine(function, "Attention. Had to clear up some old packets. Number of deleted {} Packets = {}", what,
                   count);
    } else {
        DetailLine(function, "Normal check. (Nothing deleted)");
    }
}

}  // namespace

void SimpleClearInQueue(uint32_t ip, int32_t socket, int32_t sockID) {
    if (NetMemory.LogAll == 1)
        DetailLine("SimpleClearInQueue", "Start of function. IP = {} Socket = {} SockID = {}", DottedIP(ip), socket,
                   sockID);
    ReportCleared("SimpleClearInQueue", "In", qSimpleInData.RemoveOf(sockID, socket));
}

void SimpleClearOutQueue(uint32_t ip, int32_t socket, int32_t sockID) {
    if (NetMemory.LogAll == 1)
        DetailLine("SimpleClearOutQueues", "Start of function. IP = {} Socket = {} SockID = {}", DottedIP(ip), socket,
                   sockID);
    ReportCleared("SimpleClearOutQueues", "In", qSimpleOutQueue.RemoveOf(sockID, socket, ip));
}

int32_t NetSimpleOutgoingPackets(int32_t socket, int32_t sockID, int64_t* bytes) {
    NetCriticalHold hold;
    return qSimpleOutQueue.CountOf(sockID, socket, bytes);
}

void ResetSimpleEngineForTests() {
    NetCriticalHold hold;
    qSimpleClientSockets.Clear();
    qSimpleInData.Clear();
    qSimpleOutQueue.Clear();
    NetMemory.CountSimpleAsyncOpens = 0;
    NetMemory.CountSimpleAsyncDNS = 0;
    NetMemory.NetSimpleInactiveUsed = 0;
}
