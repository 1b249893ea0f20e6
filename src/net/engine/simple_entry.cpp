// The engine's entry points for connection objects. Each holds the library
// lock for its whole run and serves the client side (Mode 0).
#include "net/callback/callback_window.h"
#include "net/engine/engine_hooks.h"
#include "net/engine/engine_log.h"
#include "net/engine/simple_engine_internal.h"
#include "netcore/net_codes.h"
#include "netcore/net_critical.h"

namespace {

bool IsClient(const NET::SimpleConnectionType& connection) { return connection.Mode == 0; }

void LearnLocalIP(NET::SimpleConnectionType& connection) {
    if (connection.LocalIP.View() != "<unknown>") return;
    SimpleRecord* record = qSimpleClientSockets.BySockID(connection.SockID);
    if (record != nullptr && record->LocAddr.sin_addr != 0) connection.LocalIP = DottedIP(record->LocAddr.sin_addr);
}

/// Finds the oldest stored packet of the connection, learning its socket and
/// address from the first packet when it does not know them yet.
const NETDLL::SimpleInDataType* FindStoredPacket(NET::SimpleConnectionType& connection, uint64_t* key) {
    const int32_t socket = connection.Socket;
    const uint32_t ip = static_cast<uint32_t>(connection.Internal_.IP);
    if (socket == 0) {
        const auto* packet = qSimpleInData.FirstOf(
            connection.SockID, [](const auto&) { return true; }, key);
        if (packet == nullptr) return nullptr;
        if (packet->PacketType == NET::SimpleAsyncOpenSuccessful || packet->PacketType == NET::SimpleAsyncOpenFailed) {
            connection.Socket = packet->OnSocket;
            connection.Internal_.IP = static_cast<int32_t>(packet->FromIP);
            LearnLocalIP(connection);
        }
        DetailLine("NetSimpleReceive",
                   "This is the first time this connection is being accessed. Updated Socket to {} Internal IP = {} "
                   "LocalIPcstr = {}",
                   connection.Socket, DottedIP(static_cast<uint32_t>(connection.Internal_.IP)),
                   connection.LocalIP.View());
        return packet;
    }
    if (ip == 0) {
        const auto* packet = qSimpleInData.FirstOf(
            connection.SockID, [&](const auto& p) { return p.OnSocket == socket; }, key);
        if (packet == nullptr) return nullptr;
        connection.Internal_.IP = static_cast<int32_t>(packet->FromIP);
        LearnLocalIP(connection);
        DetailLine(
            "NetSimpleReceive",
            "This is the first time this connection is being accessed (2). Updated Internal IP = {} LocalIPcstr = {}",
            DottedIP(packet->FromIP), connection.LocalIP.View());
        return packet;
    }
    return qSimpleInData.FirstOf(
        connection.SockID, [&](const auto& p) { return p.OnSocket == socket && p.FromIP == ip; }, key);
}

std::string_view PacketKindName(int32_t type) {
    switch (type) {
        case NET::SimplePartialDataPacket:
            return "Data";
        case NET::SimpleRemoteClosed:
            return "Remote Closed";
        case NET::SimpleLocalClosed:
            return "Local Closed";
        case NET::SimpleAsyncOpenSuccessful:
            return "Async Open Successful";
        case NET::SimpleAsyncOpenFailed:
            return "Async Open Failed";
        case NET::SimpleIdleConnection:
            return "Idle Connection";
        default:
            return "Unknown";
    }
}

/// The dotted text of `ip`. A connection's packets all come from one address,
/// so the last text is kept rather than formatted for every packet. Guarded
/// by the library lock.
const platform::ZeroTerminated<16>& DottedFromIP(uint32_t ip) {
    static bool known = false;
    static uint32_t last = 0;
    static platform::ZeroTerminated<16> text;
    if (!known || ip != last) {
        text = DottedIP(ip);
        last = ip;
        known = true;
    }
    return text;
}

void CopyPacket(const NETDLL::SimpleInDataType& stored, NET::SimplePacketType& packet) {
    packet.BinData = stored.BinData;
    packet.BinDataLen = static_cast<int32_t>(stored.BinData.size());
    packet.FromIP = DottedFromIP(stored.FromIP);
    packet.UDPFromPort = stored.UDPFromPort;
    packet.OnSocket = stored.OnSocket;
    packet.SockID = stored.SockID;
    packet.PacketType = stored.PacketType;
    packet.DebugPacketNumber_ = stored.DebugPacketNumber_;
    packet.NetError = stored.NetError;
    packet.WinSockError = stored.WinSockError;
    packet.SSLError = stored.SSLError;
}

int32_t ReceiveClientPacket(NET::SimpleConnectionType& connection, NET::SimplePacketType& packet) {
    if (NetMemory.Logging == 1) {
        NormalLine("NetSimpleReceive",
                   "(Client Mode) Attempting to receive stored packet on Socket = {} SockID = {} "
                   "Server/Host = {}({}) "
                   "Port = {}",
                   connection.Socket, connection.SockID, connection.Server.View(),
                   DottedIP(static_cast<uint32_t>(connection.Internal_.IP)), connection.Port);
    }
    if (qSimpleInData.Empty()) {
        ErrorLine("NetSimpleReceive", "No data to read. Returning 'No Request' Err. This is not normally a problem");
        return NET::kNoRequest;
    }
    uint64_t key = 0;
    const NETDLL::SimpleInDataType* stored = FindStoredPacket(connection, &key);
    if (stored == nullptr) {
        ErrorLine("NetSimpleReceive",
                  "No data found in queue for host and port/socket. No Request Err. This is not normally a problem.");
        return NET::kNoRequest;
    }
    CopyPacket(*stored, packet);
    if (NetMemory.LogAll == 1) {
        DetailLine(
            "NetSimpleReceive",
            "NetSimple {} Packet retrieved by Object from DLL FromIP = {} OnSocket = {} SockID = {} as packet {} of "
            "{} records in qSimpleInData",
            PacketKindName(stored->PacketType), packet.FromIP.View(), packet.OnSocket, packet.SockID,
            qSimpleInData.PositionOf(key), qSimpleInData.Count());
    }
    const int32_t sockID = stored->SockID;
    qSimpleInData.Remove(key);
    ResumeReadingIfTaken(sockID);
    return 0;
}

}  // namespace

int32_t NetSimpleOpen(NET::SimpleConnectionType& connection) {
    NetCriticalHold hold;
    if (NetMemory.CallBackWindowLoaded == 0) {
        const int32_t loaded = LoadCallBackWindow();
        if (loaded != 0) ErrorLine("NetSimpleOpen", "Error. LoadCallBackWindow returned {}", loaded);
    }
    return IsClient(connection) ? SimpleClientOpen(connection) : NET::kServiceNotSupported;
}

int32_t NetSimpleSend(NET::SimpleConnectionType& connection, const NET::SimplePacketType& packet) {
    NetCriticalHold hold;
    return IsClient(connection) ? SimpleClientSend(connection, packet) : NET::kServiceNotSupported;
}

int32_t NetSimpleClose(NET::SimpleConnectionType& connection, int32_t Socket, int32_t SockID, int32_t Phase) {
    NetCriticalHold hold;
    return IsClient(connection) ? SimpleClientClose(connection, Socket, SockID, Phase) : NET::kServiceNotSupported;
}

int32_t NetSimpleReceive(NET::SimpleConnectionType& connection, NET::SimplePacketType& packet) {
    NetCriticalHold hold;
    return IsClient(connection) ? ReceiveClientPacket(connection, packet) : NET::kServiceNotSupported;
}

namespace {

void PutHandlers() {
    NETDLL::EngineHooksType& hooks = NetEngineHooks();
    hooks.SimpleClient_Async = SimpleClient_Async;
    hooks.SimpleAsyncDNS = SimpleAsyncDNS;
    hooks.Timer_CheckSimpleAsyncOpens = Timer_CheckSimpleAsyncOpens;
    hooks.Timer_CheckForSimpleIdleConnections = Timer_CheckForSimpleIdleConnections;
    hooks.CheckClosingSimpleSockets = CheckClosingSimpleSockets;
    hooks.CloseAllClientSockets = CloseAllSimpleClientSockets;
    hooks.EmptyDataLists = EmptySimpleDataLists;
}

// The callback window finds the engine's handlers wherever the engine is
// linked in, which it is wherever a connection object exists. Static
// initialisation runs before any other thread of the library.
[[maybe_unused]] const bool kInstalled = [] {
    PutHandlers();
    return true;
}();

}  // namespace

void InstallSimpleEngine() {
    NetCriticalHold hold;
    PutHandlers();
}
