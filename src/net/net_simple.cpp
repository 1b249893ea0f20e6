// NetSimple's set-up, checks and error reporting. The calls into the socket
// engine (open, send, close, receive) are not linked into this library yet:
// until they are, an open or a send that passes its checks fails with -56
// ("not actively initiated") through the error trap, and no events arrive.
#include "net/net_simple.h"

#include <algorithm>
#include <fmt/format.h>

#include "platform/threads.h"

namespace {
constexpr int32_t kNotInitialised = -60;
constexpr int32_t kAlreadyOpen = -55;
constexpr int32_t kBadLength = -4;
constexpr int32_t kNotOpen = -36;
constexpr int32_t kNoHostOrPort = -33;
constexpr int32_t kEngineNotStarted = -56;
constexpr int32_t kCertificateOptionsSize = 5224;
constexpr int32_t kWholePacketAllocSize = 524288;
constexpr std::string_view kInitNotCalled =
    "The NetSimple object's Init() method was not called before the Open() method was called";
}  // namespace

std::string_view NET::SimplePacketType::Data() const {
    auto length = static_cast<std::size_t>(std::clamp(BinDataLen, 0, MaxBinData));
    return {BinData.Data(), length};
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
    Wait_(-60);
    Connection_.NotifyEvent = 0;  // no unique events without the callback window
    Log("Error getting new unique event. None was available.", "NetSimple.Prime", NET::ObjectErrorLine);
    Initalised_ = 1;
    Release_(-61);
}

void NetSimple::Open(std::string_view Server, uint16_t Port) {
    if (Initalised_ == 0) {
        Log("Error - Open being called before Init.", "NetSimple.Open", NET::ObjectErrorLine);
        Error = kNotInitialised, WinSockError = 0, SSLError = 0;
        ErrorTrap(kInitNotCalled, "NetSimple.Open");
        return;
    }
    if (OpenFlag != 0 || AsyncOpenBusy != 0) {
        Error = kAlreadyOpen, WinSockError = 0, SSLError = 0;
        ErrorTrap("The client connection could not be opened because the connection was already open",
                  "NetSimple.Open");
        return;
    }
    Error = 0, WinSockError = 0, SSLError = 0, AsyncOpenBusy = 0;
    if (BetweenPhaseOneAnTwo_ == 1) IgnorePhaseTwo_ = 1;
    Connection_.Server = platform::TrimRight(Server);
    Connection_.Port = Port;
    Connection_.AsyncOpenTimeout = AsyncOpenUse != 0 ? AsyncOpenTimeOut : 0;
    Connection_.InactiveTimeout = InActiveTimeout;
    Error = kEngineNotStarted;
    CallErrorTrap_("Unable to Open Connection", "NetSimple(Client).Open");
}

void NetSimple::Send() {
    if (Initalised_ == 0) {
        Log("Error - Open being called before Init.", "NetSimple.Send", NET::ObjectErrorLine);
        Error = kNotInitialised;
        ErrorTrap(kInitNotCalled, "NetSimple.Send");
        return;
    }
    Error = 0, WinSockError = 0, SSLError = 0;
    auto refuse = [this](int32_t code, std::string_view text) {
        Error = code;
        CallErrorTrap_(text, "NetSimple.Send");
    };
    if (Packet.BinDataLen > NET::MaxBinData)
        return refuse(kBadLength, "Trying to send too much data in self.packet.binData and self.packet.binDataLen");
    if (OpenFlag == 0) return refuse(kNotOpen, "The connection is not open and therefore the data can not be sent.");
    if (Packet.BinDataLen <= 0) return refuse(kBadLength, "Data length is less than or equal to zero");
    if (Connection_.Server.Empty() || Connection_.Port == 0)
        return refuse(kNoHostOrPort, "Hostname or Port are not set to anything. (You must call self.open first).");
    refuse(kEngineNotStarted, "Error sending data");
}

void NetSimple::Close() {
    Error = 0, WinSockError = 0, SSLError = 0;
    if (OpenFlag == 0) {
        Log("Warning. Socket not open. Can not close", "NetSimple.Close", NET::ObjectNormalLine);
        return;
    }
    WholePacketFree(Connection_.SockID);
    BetweenPhaseOneAnTwo_ = 1;
    IgnorePhaseTwo_ = 0;
    OpenFlag = 0;
}

void NetSimple::Abort() {
    Error = 0, WinSockError = 0, SSLError = 0;
    if (OpenFlag == 0 && AsyncOpenBusy == 0) {
        Log("Warning. Socket not open. Can not abort", "NetSimple.Abort", NET::ObjectNormalLine);
        return;
    }
    WholePacketFree(Connection_.SockID);
    OpenFlag = 0;
    AsyncOpenBusy = 0;
}

void NetSimple::Kill() {
    if (OpenFlag == 1) Close();
    if (AsyncOpenBusy != 0) Abort();
    Connection_.NotifyThread = 0;
    QServerConnections = nullptr;
    QServerConnections_.reset();
    WholePacketQueue = nullptr;
    WholePacketQueue_.reset();
}

void NetSimple::TakeEvent(int32_t /*Event*/) {}

void NetSimple::Process() {}

void NetSimple::ConnectionClosed() {}

void NetSimple::ErrorTrap(std::string_view ErrorStr, std::string_view FunctionName) {
    std::string explanation = InterpretError();
    std::string text = Error == 0 ? fmt::format("{}.", ErrorStr)
                                  : fmt::format("{}. The error number was {} which means {}.", ErrorStr, Error,
                                                explanation);
    ErrorString = text;
    Log(fmt::format("{}Error = {} = {} : {} Function = {} Server = {} Port = {}",
                    SuppressErrorMsg == 1 ? "<no display> " : "", Error, ErrorStr, explanation, FunctionName,
                    Connection_.Server.View(), Connection_.Port),
        "NetSimple.ErrorTrap", NET::ObjectErrorLine);
}

void NetSimple::CallErrorTrap_(std::string_view ErrorStr, std::string_view FunctionName) {
    std::string detail = Error != 0 ? " : " + InterpretError() : std::string();
    Log(fmt::format("Error = {} = {}{} Function = {} Server = {} Port = {}", Error, ErrorStr, detail, FunctionName,
                    Connection_.Server.View(), Connection_.Port),
        "NetSimple._CallErrorTrap", NET::ObjectErrorLine);
    ErrorTrap(ErrorStr, FunctionName);
}

void NetSimple::GetInfo(int32_t Options, int32_t /*Socket*/, int32_t /*SockID*/) {
    if (Options == 1 || Options == 2) {
        OutgoingDLLPackets = 0;
        OutgoingDLLPacketsBytes = 0;
        return;
    }
    Log(fmt::format("Illegal p_Options = {}", Options), "NetSimple.GetInfo", NET::ObjectErrorLine);
}

// Server side, secure side, ping and whole-packet framing: not used by this program.
void NetSimple::CloseServerConnection(int32_t, int32_t) {}
void NetSimple::AbortServerConnection(int32_t, int32_t) {}
void NetSimple::Ping(std::string_view, int32_t) {}
void NetSimple::SSLSwitchToSSL_(int32_t, int32_t) {}
void NetSimple::WholePacketSend(std::string_view, int32_t) {}
void NetSimple::WholePacketStorePartialPacket() {}
void NetSimple::WholePacketTruncate(int32_t) {}
void NetSimple::WholePacketCheckForWhole() {}
void NetSimple::WholePacketFree(int32_t) {}
void NetSimple::PartiallyCloseServer() {}
void NetSimple::RefreshQServerConnections(int32_t) {}
void NetSimple::SSLGetRemoteCertificate_(int32_t, int32_t, int32_t) {}
std::string NetSimple::SSLGetSubjectField(std::string_view) { return {}; }
std::string NetSimple::SSLGetIssuerField(std::string_view) { return {}; }
