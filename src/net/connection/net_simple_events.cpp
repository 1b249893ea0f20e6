// NetSimple: turning the engine's packets into calls of Process,
// ConnectionClosed and ErrorTrap, and the error trap itself.
// Window (owner) thread only.
#include <fmt/format.h>

#include "net/connection/net_message_box.h"
#include "net/connection/net_simple.h"
#include "net/connection/object_log.h"
#include "net/engine/simple_engine.h"
#include "netcore/net_codes.h"
#include "netcore/net_error_str.h"
#include "platform/thread_check.h"

namespace {

constexpr std::string_view kTakeEvent = "NetSimple.TakeEvent";
constexpr std::string_view kIgnoredPhaseTwo =
    "Attention. 2nd Phase NOT Called! The Connection property has changed, since calling Phase One. Can't call Phase "
    "Two, the DLL will clear up in 5 minutes.";

std::string FirstBytes(std::string_view data, int32_t logDataBytes) {
    const auto shown = std::min(data.size(), static_cast<std::size_t>(logDataBytes));
    return fmt::format("First {} bytes of Received Data = [{}]{}", shown, data.substr(0, shown),
                       shown < data.size() ? "..." : "");
}

}  // namespace

void NetSimple::ConClosed1() {
    ObjectLine(*this, "NetSimple.TakeEvent.ConClosed1", NET::ObjectNormalLine,
               "The client connection on Socket = {} SockID = {} has been closed remotely. Will call "
               "NetSimpleConnectClose and then the ConnectionClosed() method.",
               Packet.OnSocket, Packet.SockID);
    WholePacketFree(Packet.SockID);
    NetSimpleClose(Connection_, Packet.OnSocket, Packet.SockID, NET::SimpleClosePhaseTwo);
    OpenFlag = 0;
    AsyncOpenBusy = 0;
    ConnectionClosed();
}

void NetSimple::ConClosed2() {
    if (IgnorePhaseTwo_ == 1) {
        ObjectLine(*this, "NetSimple.TakeEvent.ConClosed2", NET::ObjectNormalLine,
                   "{} The server connection on Socket = {} SocketID = {} was closed locally.", kIgnoredPhaseTwo,
                   Packet.OnSocket, Packet.SockID);
        return;
    }
    ObjectLine(*this, "NetSimple.TakeEvent.ConClosed2", NET::ObjectNormalLine,
               "The client connection on Socket = {} SockID = {} was closed locally. Will call "
               "NetSimpleConnectClose for 2nd Phase",
               Packet.OnSocket, Packet.SockID);
    NetSimpleClose(Connection_, Packet.OnSocket, Packet.SockID, NET::SimpleClosePhaseTwo);
    OpenFlag = 0;
    AsyncOpenBusy = 0;
}

void NetSimple::TakeEvent(int32_t Event) {
    BRACKWATER_ASSERT_THREAD(Connection_.NotifyThread, "the connection's owner thread");
    const int32_t base = Connection_.NotifyEvent;
    if (base == 0) return;
    if (Event == base) return TakePacket();
    if (Event == base + 1) {
        ObjectLine(*this, kTakeEvent, NET::ObjectNormalLine,
                   "Received a message+1 about a ConClose(1) (Remote). PacketType = {} Mode = {}", Packet.PacketType,
                   Connection_.Mode);
        return ConClosed1();
    }
    if (Event != base + 2) return;
    ObjectLine(*this, kTakeEvent, NET::ObjectNormalLine,
               "Received a message+2 about a Close (2). PacketType = {} Mode = {}", Packet.PacketType,
               Connection_.Mode);
    if (IgnorePhaseTwo_ == 1) {
        Log(kIgnoredPhaseTwo, "NetSimple.TakeEvent.Message+2", NET::ObjectNormalLine);
        return;
    }
    NetSimpleClose(Connection_, 0, 0, NET::SimpleClosePhaseTwo);
}

void NetSimple::TakePacket() {
    const int32_t received = NetSimpleReceive(Connection_, Packet);
    Error = Packet.NetError;
    WinSockError = Packet.WinSockError;
    SSLError = Packet.SSLError;
    if (Error == 0 && SSLError != 0) Error = NET::kSslError;
    if (Error == 0 && WinSockError != 0) Error = NET::kWinSockError;
    if (received == NET::kNoRequest) {
        Log("Attention. This is not normally a problem. The DLL could not find a packet matching this connection.",
            kTakeEvent, NET::ObjectNormalLine);
        return;
    }
    if (received != 0) return CallErrorTrap_("An error occurred while trying receive data", kTakeEvent);
    ObjectLine(*this, kTakeEvent, NET::ObjectNormalLine,
               "(Client Mode) Received a message. PacketType = {} _DebugPacketNumber = {} Mode = {}", Packet.PacketType,
               Packet.DebugPacketNumber_, Connection_.Mode);
    DispatchPacket();
}

void NetSimple::DispatchPacket() {
    const auto server = Connection_.Server.View();
    const uint16_t port = Connection_.Port;
    switch (Packet.PacketType) {
        case NET::SimpleRemoteClosed:
            Log("PacketType -> Calls ConClosed(1) (Remote)", kTakeEvent, NET::ObjectNormalLine);
            return ConClosed1();
        case NET::SimpleLocalClosed:
            Log("PacketType -> Calls ConClosed(2)", kTakeEvent, NET::ObjectNormalLine);
            return ConClosed2();
        case NET::SimpleAsyncOpenSuccessful:
            ObjectLine(*this, kTakeEvent, NET::ObjectNormalLine,
                       "PacketType -> \"AsyncOpenSuccessful\" to {}:{} On Socket = {} SockID = {} "
                       "Local_IP = {}",
                       server, port, Packet.OnSocket, Packet.SockID, Connection_.LocalIP.View());
            OpenFlag = 1;
            AsyncOpenBusy = 0;
            return Process();
        case NET::SimpleAsyncOpenFailed:
            ObjectLine(*this, kTakeEvent, NET::ObjectNormalLine,
                       "Error. PacketType -> \"AsyncOpenFailed\" to {}:{} On Socket = {} SockID = {}", server, port,
                       Packet.OnSocket, Packet.SockID);
            if (Error == 0 || Error == NET::kWinSockError || Error == NET::kSslError) Error = NET::kOpenTimeout;
            OpenFlag = 0;
            AsyncOpenBusy = 0;
            NetSimpleClose(Connection_, Packet.OnSocket, Packet.SockID, NET::SimpleClosePhaseTwo);
            return CallErrorTrap_(
                "The requested connection could not be opened. The Open command timed out or failed to connect",
                kTakeEvent);
        case NET::SimpleNoConnection:
            Log("PacketType -> No Connection!! Warning!", kTakeEvent, NET::ObjectNormalLine);
            return;
        case NET::SimpleNewConnection:
        case NET::SimplePartialDataPacket:
        case NET::SimpleIdleConnection:
            return DeliverToProcess();
        default:
            ObjectLine(*this, kTakeEvent, NET::ObjectNormalLine, "Error. PacketType -> Unknown = {}",
                       Packet.PacketType);
    }
}

void NetSimple::DeliverToProcess() {
    const int32_t type = Packet.PacketType;
    if (type == NET::SimpleNewConnection) ServerConnectionsCount += 1;
    if (type == NET::SimpleIdleConnection) {
        ObjectLine(*this, kTakeEvent, NET::ObjectNormalLine,
                   "Received a Idle Connection packet : Connection has been Inactive. On Socket = "
                   "{} SockID = {}",
                   Packet.OnSocket, Packet.SockID);
    } else if (type == NET::SimplePartialDataPacket) {
        ObjectLine(*this, kTakeEvent, NET::ObjectNormalLine,
                   "PacketType -> Normal Data Packet Received  Data Length = {} On Socket = {} "
                   "SockID = {}",
                   Packet.BinDataLen, Packet.OnSocket, Packet.SockID);
        if (LogDataBytes > 0 && LogWanted(NET::ObjectNormalLine))
            Log(FirstBytes(Packet.Data(), LogDataBytes), kTakeEvent, NET::ObjectNormalLine);
    }
    Process();
    if (WholePacketUseLengthField != 0 && type == NET::SimplePartialDataPacket) {
        WholePacketStorePartialPacket();
        WholePacketCheckForWhole();
    }
}

void NetSimple::ErrorTrap(std::string_view ErrorStr, std::string_view FunctionName) {
    const std::string_view text = platform::TrimRight(ErrorStr);
    std::string meaning = InterpretError();
    ErrorString = Error == 0 ? fmt::format("{}.", text)
                             : fmt::format("{}. The error number was {} which means {}.", text, Error, meaning);
    if (Error == NET::kOpenTimeout || Error == 0) {
        if (WinSockError != 0) {
            meaning += fmt::format(" - [WinSock Error = {} : {}]", WinSockError, NetErrorStr(WinSockError));
        }
        if (SSLError != 0) meaning += fmt::format(" - [SSL Error = {}]", SSLError);
    }
    const std::string logLine =
        fmt::format("Error = {} = {} : {} Function = {} Server = {} Port = {}", Error, text, meaning,
                    platform::TrimRight(FunctionName), Connection_.Server.View(), Connection_.Port);
    if (SuppressErrorMsg == 1) {
        Log("<no display> " + logLine, "NetSimple.ErrorTrap", NET::ObjectErrorLine);
        return;
    }
    Log(logLine, "NetSimple.ErrorTrap", NET::ObjectErrorLine);
    std::string box = fmt::format("A network communication error has occurred.||Error = {}.", text);
    if (Error != 0) box += fmt::format("||The error number was {} which means {}.", Error, meaning);
    box += fmt::format("||Error occurred in function {}", platform::TrimRight(FunctionName));
    NetMessageBox(box, "Sparlin Object Error");
}

void NetSimple::CallErrorTrap_(std::string_view ErrorStr, std::string_view FunctionName) {
    std::string line = fmt::format("Error = {} = {}", Error, platform::TrimRight(ErrorStr));
    if (Error != 0) line += " : " + InterpretError();
    line += fmt::format(" Function = {} Server = {} Port = {}", platform::TrimRight(FunctionName),
                        Connection_.Server.View(), Connection_.Port);
    Log(line, "NetSimple._CallErrorTrap", NET::ObjectErrorLine);
    ErrorTrap(ErrorStr, FunctionName);
}
