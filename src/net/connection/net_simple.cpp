// NetSimple: setting up, opening, sending, closing and tearing down one
// client connection. Window (owner) thread only.
#include "net/connection/net_simple.h"

#include <fmt/format.h>

#include <algorithm>

#include "net/connection/object_log.h"
#include "net/connection/unique_events.h"
#include "net/engine/simple_engine.h"
#include "netcore/net_codes.h"
#include "platform/thread_check.h"
#include "platform/threads.h"

namespace {

// Prime's caller tags for the library lock: labels, not result codes.
constexpr int32_t kPrimeWaitTag = -60;
constexpr int32_t kPrimeReleaseTag = -61;
constexpr int32_t kCertificateOptionsSize = 5224;
constexpr int32_t kWholePacketAllocSize = 524288;

/// "First n bytes of <what> = [...]" for LogDataBytes, with "..." when cut.
std::string FirstBytesLine(std::string_view what, std::string_view data, int32_t logDataBytes) {
    const auto shown = std::min(data.size(), static_cast<std::size_t>(logDataBytes));
    return fmt::format("First {} bytes of {} = [{}]{}", shown, what, data.substr(0, shown),
                       shown < data.size() ? "..." : "");
}

}  // namespace

std::string_view NET::SimplePacketType::Data() const {
    const auto length = static_cast<std::size_t>(std::clamp(BinDataLen, 0, NET::MaxBinData));
    return BinData.Whole().substr(0, length);
}

NetSimple::NetSimple() { Connection_.LocalIP = "<unknown>"; }
NetSimple::~NetSimple() = default;

void NetSimple::Init(uint32_t Mode) {
    QServerConnections_ = std::make_unique<std::vector<NETDLL::SimpleServerConnectionsQType>>();
    QServerConnections = QServerConnections_.get();
    WholePacketQueue_ = std::make_unique<std::vector<NETDLL::SimpleWholePacketQType>>();
    WholePacketQueue = WholePacketQueue_.get();
    Log(Mode == NET::SimpleClient ? "Initialising a new Client" : "Initialising a new Server", "NetSimple.Init",
        NET::ObjectNormalLine);
    Connection_.Mode = static_cast<int32_t>(Mode);
    SSLCertificateOptions.Size_ = kCertificateOptionsSize;
    Connection_.SSL_CertificateOptionsPointer_ = &SSLCertificateOptions;
    SSLCertificateOptions.CARootFile = ".\\CARoot.pem";
    Connection_.NotifyThread = UseThisThread != 0 ? UseThisThread : platform::ThisThread();
    AsyncOpenUse = 1;
    AsyncOpenTimeOut = 1200;
    WholePacketAllocSize_ = kWholePacketAllocSize;
    Prime();
}

void NetSimple::Prime() {
    if (Initalised_ == 1) {
        // Priming twice would take a second set of event numbers and lose the first.
        Log("Error. Prime called a second time; ignored.", "NetSimple.Prime", NET::ObjectErrorLine);
        return;
    }
    Wait_(kPrimeWaitTag);
    Connection_.NotifyEvent = NetGetUniqueEvent();
    if (Connection_.NotifyEvent == 0) {
        Log("Error getting new unique event. None was available.", "NetSimple.Prime", NET::ObjectErrorLine);
    }
    Initalised_ = 1;
    Release_(kPrimeReleaseTag);
}

void NetSimple::Open(std::string_view Server, uint16_t Port) {
    BRACKWATER_ASSERT_THREAD(Connection_.NotifyThread, "the connection's owner thread");
    if (Initalised_ == 0) {
        Log("Error - Open being called before Init.", "NetSimple.Open", NET::ObjectErrorLine);
        Error = NET::kInitNotCalled;
        WinSockError = 0;
        SSLError = 0;
        ErrorTrap("The NetSimple object's Init() method was not called before the Open() method was called",
                  "NetSimple.Open");
        return;
    }
    if (OpenFlag != 0 || AsyncOpenBusy != 0) {
        Error = NET::kAlreadyOpen;
        WinSockError = 0;
        SSLError = 0;
        Log("Connection already open. Please close or abort the connection before trying to open a new connection.",
            "NetSimple(Client).Open", NET::ObjectNormalLine);
        ErrorTrap("The client connection could not be opened because the connection was already open",
                  "NetSimple.Open");
        return;
    }
    const std::string_view server = platform::TrimRight(Server);
    ObjectLine(*this, "NetSimple(Client).Open", NET::ObjectNormalLine, "Attempting to connect to {} on Port {}", server,
               Port);
    Error = WinSockError = SSLError = AsyncOpenBusy = 0;
    if (BetweenPhaseOneAnTwo_ == 1) {
        IgnorePhaseTwo_ = 1;
        Log("Setting IgnorePhaseTwo = true. We weren't able to call PhaseTwo Close Down before this object is being "
            "used "
            "to open another connection. That's fine the Sparlin DLL will clean up our old connection for us.",
            "NetSimple.Open", NET::ObjectNormalLine);
    }
    Connection_.Server = server;
    Connection_.Port = Port;
    Connection_.SSL = SSL;
    Connection_.SSL_Method = SSLMethod;
    Connection_.SSL_DontConnectOnOpen = SSLDontConnectOnOpen_;
    Connection_.AsyncOpenTimeout = 0;
    if (AsyncOpenUse != 0) {
        Connection_.AsyncOpenTimeout = AsyncOpenTimeOut;
        ObjectLine(*this, "NetSimple(Client).Open", NET::ObjectNormalLine,
                   "Will use Asynchronous Open. Timeout (hs) = {}", AsyncOpenTimeOut);
    }
    Connection_.InactiveTimeout = 0;
    if (InActiveTimeout != 0) {
        Connection_.InactiveTimeout = InActiveTimeout;
        ObjectLine(*this, "NetSimple(Client).Open", NET::ObjectNormalLine, "Will use InActive (Idle) Timeout (hs) = {}",
                   InActiveTimeout);
    }
    Error = NetSimpleOpen(Connection_);
    WinSockError = SSLError = 0;
    if (Error != 0) {
        CallErrorTrap_("Unable to Open Connection", "NetSimple(Client).Open");
        return;
    }
    if (Connection_.AsyncOpenTimeout > 0) {
        OpenFlag = 0;
        AsyncOpenBusy = 1;
        ObjectLine(*this, "NetSimple(Client).Open", NET::ObjectNormalLine,
                   "Opening Connection Asynchrously (will wait for Process() or Err0rTrap() to be "
                   "called). on "
                   "Socket = {} SockID = {}",
                   Connection_.Socket, Connection_.SockID);
    } else {
        OpenFlag = 1;
        ObjectLine(*this, "NetSimple(Client).Open", NET::ObjectNormalLine,
                   "Connection opened on Socket = {} SockID = {}", Connection_.Socket, Connection_.SockID);
    }
}

void NetSimple::Send() {
    BRACKWATER_ASSERT_THREAD(Connection_.NotifyThread, "the connection's owner thread");
    constexpr std::string_view kSend = "NetSimple.Send";
    if (Initalised_ == 0) {
        Log("Error - Open being called before Init.", kSend, NET::ObjectErrorLine);
        Error = NET::kInitNotCalled;
        ErrorTrap("The NetSimple object's Init() method was not called before the Open() method was called", kSend);
        return;
    }
    ObjectLine(*this, "NetSimple.Send (Client Mode)", NET::ObjectNormalLine,
               "Sending Data to HostName = {} OnSocket = {} SockID = {} Port = {} BinDataLen = {}",
               Connection_.Server.View(), Connection_.Socket, Connection_.SockID, Connection_.Port, Packet.BinDataLen);
    if (LogDataBytes > 0 && Packet.BinDataLen > 0 && LogWanted(NET::ObjectNormalLine)) {
        Log(FirstBytesLine("Data", Packet.Data(), LogDataBytes), "NetSimple.Send (Client Mode)", NET::ObjectNormalLine);
    }
    Error = WinSockError = SSLError = 0;
    if (Packet.BinDataLen > NET::MaxBinData) {
        Error = NET::kInvalidStructureSize;
        return CallErrorTrap_("Trying to send too much data in self.packet.binData and self.packet.binDataLen", kSend);
    }
    if (OpenFlag == 0) {
        Error = NET::kNotOpen;
        return CallErrorTrap_("The connection is not open and therefore the data can not be sent.", kSend);
    }
    if (Packet.BinDataLen <= 0) {
        Error = NET::kInvalidStructureSize;
        return CallErrorTrap_("Data length is less than or equal to zero", kSend);
    }
    if (Connection_.Server.Empty() || Connection_.Port == 0) {
        Error = NET::kHostOrSocketNotSet;
        return CallErrorTrap_("Hostname or Port are not set to anything. (You must call self.open first).", kSend);
    }
    Error = NetSimpleSend(Connection_, Packet);
    if (Error == 0) return;
    if (Error == NET::kClientNotFound) OpenFlag = 0;
    if (Error == NET::kClientNotFound && DontErrorTrapInSendIfConnectionClosed == 1) {
        Log("While trying to send data, we discover the connection has been closed down. The programmer has chosen to "
            "handle the error himself.",
            kSend, NET::ObjectNormalLine);
        return;
    }
    Log("Error. Note to the programmer - look at the docs for info on the self.DontErrorTrapInSendIfConnectionClosed "
        "in "
        "the NetSimpleConnection property section.",
        kSend, NET::ObjectNormalLine);
    CallErrorTrap_("Error sending data", kSend);
}

void NetSimple::Close() {
    BRACKWATER_ASSERT_THREAD(Connection_.NotifyThread, "the connection's owner thread");
    ObjectLine(*this, "NetSimple.Close", NET::ObjectNormalLine,
               "Closing Client Socket = {} SockID = {} to Server = {} Originally Connected to Port = {}",
               Connection_.Socket, Connection_.SockID, Connection_.Server.View(), Connection_.Port);
    Error = WinSockError = SSLError = 0;
    if (OpenFlag == 0) {
        Log("Warning. Socket not open. Can not close", "NetSimple.Close", NET::ObjectNormalLine);
        return;
    }
    WholePacketFree(Connection_.SockID);
    Error = NetSimpleClose(Connection_, 0, 0, NET::SimpleClosePhaseOne);
    BetweenPhaseOneAnTwo_ = 1;
    IgnorePhaseTwo_ = 0;
    OpenFlag = 0;
    if (Error != 0) CallErrorTrap_("Unable to Close connection", "NetSimple.Close");
}

void NetSimple::Abort() {
    BRACKWATER_ASSERT_THREAD(Connection_.NotifyThread, "the connection's owner thread");
    ObjectLine(*this, "NetSimple.Abort", NET::ObjectNormalLine,
               "Aborting (immediately closing) Client Socket = {} SockID = {} to Server = {} "
               "Originally Connected "
               "to Port = {}",
               Connection_.Socket, Connection_.SockID, Connection_.Server.View(), Connection_.Port);
    Error = WinSockError = SSLError = 0;
    if (OpenFlag == 0 && AsyncOpenBusy == 0) {
        Log("Warning. Socket not open. Can not abort", "NetSimple.Abort", NET::ObjectNormalLine);
        return;
    }
    WholePacketFree(Connection_.SockID);
    Error = NetSimpleClose(Connection_, 0, 0, NET::SimpleCloseAbort);
    OpenFlag = 0;
    AsyncOpenBusy = 0;
    if (Error != 0) CallErrorTrap_("Unable to Abort (Close) connection", "NetSimple.Abort");
}

void NetSimple::Kill() {
    if (OpenFlag == 1) Close();
    if (AsyncOpenBusy != 0) Abort();
    NetFreeUniqueEvent(Connection_.NotifyEvent);
    Connection_.NotifyThread = 0;
    if (QServerConnections_) {
        RefreshQServerConnections(1);
        QServerConnections_.reset();
        QServerConnections = nullptr;
    }
    if (WholePacketQueue_) {
        WholePacketQueue_.reset();
        WholePacketQueue = nullptr;
    }
}

void NetSimple::GetInfo(int32_t Options, int32_t Socket, int32_t SockID) {
    if (Socket == 0 && SockID == 0) {
        Socket = Connection_.Socket;
        SockID = Connection_.SockID;
    }
    if (Options != 1 && Options != 2) {
        ObjectLine(*this, "NetSimple.GetInfo", NET::ObjectErrorLine, "Illegal p_Options = {}", Options);
        return;
    }
    int64_t bytes = 0;
    OutgoingDLLPackets = NetSimpleOutgoingPackets(Socket, SockID, &bytes);
    OutgoingDLLPacketsBytes = Options == 2 ? static_cast<int32_t>(bytes) : 0;
}

// The hooks and the methods of the server side, secure sockets, ping and
// whole-packet framing, which this library does not offer.
void NetSimple::Process() {}
void NetSimple::ConnectionClosed() {}
void NetSimple::CloseServerConnection(int32_t, int32_t) {}
void NetSimple::AbortServerConnection(int32_t, int32_t) {}
void NetSimple::Ping(std::string_view, int32_t) {}
void NetSimple::SSLSwitchToSSL_(int32_t, int32_t) {}
void NetSimple::WholePacketSend(std::string_view, int32_t) {}
void NetSimple::WholePacketStorePartialPacket() {}
void NetSimple::WholePacketTruncate(int32_t) {}
void NetSimple::WholePacketCheckForWhole() {}
void NetSimple::WholePacketFree(int32_t SockID) {
    if (WholePacketQueue == nullptr) return;
    std::erase_if(*WholePacketQueue,
                  [&](const NETDLL::SimpleWholePacketQType& entry) { return entry.SockID == SockID; });
}
void NetSimple::PartiallyCloseServer() {}
void NetSimple::RefreshQServerConnections(int32_t) {}
void NetSimple::SSLGetRemoteCertificate_(int32_t, int32_t, int32_t) {}
std::string NetSimple::SSLGetSubjectField(std::string_view) { return {}; }
std::string NetSimple::SSLGetIssuerField(std::string_view) { return {}; }
