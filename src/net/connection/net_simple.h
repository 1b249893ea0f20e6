// NetSimple: one TCP connection as a window sees it. The window owns an object
// of a class derived from NetSimple, sets it up with Init, opens, sends, closes
// and aborts through it, routes its window events through TakeEvent, and
// receives data, connect outcomes and idle reports as calls of Process with the
// packet in `Packet`. The window never sees a socket, only packets.
//
// All methods run on the thread of the owning window (the thread that ran
// Init, or `UseThisThread`). The methods are virtual in the library's slot
// order so that the window's class (and a test's fake) can replace them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "netcore/net_all.h"
#include "platform/fixed_text.h"

namespace NET {

/// Most data bytes one packet carries.
inline constexpr int32_t MaxBinData = 16384;

/// Connection modes of Init.
inline constexpr uint32_t SimpleClient = 0;
inline constexpr uint32_t SimpleServer = 1;

/// Packet types (`SimplePacketType::PacketType`).
inline constexpr int32_t SimpleNewConnection = 2;
inline constexpr int32_t SimplePartialDataPacket = 3;
inline constexpr int32_t SimpleNoConnection = 4;
inline constexpr int32_t SimpleRemoteClosed = 5;
inline constexpr int32_t SimpleLocalClosed = 6;
inline constexpr int32_t SimpleAsyncOpenSuccessful = 7;
inline constexpr int32_t SimpleAsyncOpenFailed = 8;
inline constexpr int32_t SimpleIdleConnection = 9;
inline constexpr int32_t SimpleWholeDataPacket = 10;

/// The packet record: travels between the object and the socket engine, which
/// copies whole records in and out.
struct SimplePacketType {
    platform::ZeroTerminated<16> ToIP;          ///< destination address; server and datagram use only
    int32_t OnSocket = 0;                       ///< socket of the connection the packet belongs to
    int32_t SockID = 0;                         ///< serial number of that connection
    platform::ZeroTerminated<16> FromIP;        ///< remote address, dotted, filled on receive
    platform::BlankPadded<MaxBinData> BinData;  ///< data bytes; on receive blanks after BinDataLen
    int32_t BinDataLen = 0;                     ///< valid bytes in BinData, 0 .. MaxBinData
    int32_t PacketType = 0;
    int32_t DebugPacketNumber_ = 0;  ///< library-wide serial number, for log lines
    uint16_t UDPToPort = 0;
    uint16_t UDPFromPort = 0;
    int32_t NetError = 0;      ///< library code carried by the packet
    int32_t WinSockError = 0;  ///< sockets code carried by the packet
    int32_t SSLError = 0;
    std::array<uint8_t, 100> Reserved_{};

    /// The valid data bytes, BinDataLen clamped to 0 .. MaxBinData.
    std::string_view Data() const;
};

/// The connection record handed to the socket engine.
struct SimpleConnectionType {
    int32_t Mode = 0;                     ///< SimpleClient or SimpleServer
    platform::ZeroTerminated<80> Server;  ///< host name or dotted address, trailing blanks removed
    uint16_t Port = 0;
    uint16_t Spacer1_ = 0;
    int32_t Socket = 0;        ///< written by the engine
    int32_t SockID = 0;        ///< written by the engine on every open; only grows
    int32_t NotifyThread = 0;  ///< thread the engine notifies
    int32_t NotifyEvent = 0;   ///< the object's base event number
    int32_t MaxServerConnections = 0;
    platform::ZeroTerminated<16> LocalIP;  ///< "<unknown>" until known
    struct {
        int32_t IP = 0;  ///< remote IPv4 address, network byte order; 0 until known
    } Internal_;
    int32_t UDPMode = 0;
    int32_t AsyncOpenTimeout = 0;  ///< hundredths; 0 = the open blocks
    int32_t InactiveTimeout = 0;   ///< hundredths; 0 = no idle reports
    int32_t SSL = 0;
    int32_t SSL_Method = 0;
    int32_t SSL_DontConnectOnOpen = 0;
    const void* SSL_CertificateOptionsPointer_ = nullptr;
    std::array<uint8_t, 92> Reserved2_{};
};

/// Certificate settings of a secure connection (not used by this program).
struct SimpleSSLCertificateOptionsType {
    int32_t Size_ = 0;
    platform::BlankPadded<260> CARootFile;
};

}  // namespace NET

namespace NETDLL {
/// A partly assembled whole packet (whole-packet framing, not active in this program).
struct SimpleWholePacketQType {
    int32_t SockID = 0;
    std::string BinData;
};
/// A connection accepted by the server side.
struct SimpleServerConnectionsQType {
    int32_t Socket = 0;
    int32_t SockID = 0;
    platform::ZeroTerminated<16> FromIP;
};
}  // namespace NETDLL

class NetSimple : public NetAll_ {
public:
    NetSimple();
    ~NetSimple() override;
    NetSimple(const NetSimple&) = delete;
    NetSimple& operator=(const NetSimple&) = delete;

    // Slots after NetAll_'s six, in the library's order.
    /// Sets the object up (mode NET::SimpleClient or NET::SimpleServer) and primes it.
    virtual void Init(uint32_t Mode);
    /// Opens the connection; asynchronously when AsyncOpenUse is set (outcome: Process
    /// with packet type 7, or ErrorTrap with -53).
    virtual void Open(std::string_view Server, uint16_t Port);
    /// Starts a graceful close.
    virtual void Close();
    /// Hook for a packet handed to the owner; empty here.
    virtual void Process();
    /// Sends Packet.BinData[1 .. Packet.BinDataLen]; Error = 0 means queued.
    virtual void Send();
    /// Turns the window event `Event` into calls when it is one of this object's.
    virtual void TakeEvent(int32_t Event);
    /// Reports an error: a message box unless SuppressErrorMsg is set, and a log line.
    virtual void ErrorTrap(std::string_view ErrorStr, std::string_view FunctionName);
    /// Hook after the remote side closed; empty here.
    virtual void ConnectionClosed();
    /// Second half of set-up: the object's event numbers.
    virtual void Prime();
    /// Tear-down when the window ends.
    virtual void Kill();
    virtual void CloseServerConnection(int32_t Socket, int32_t SockID);
    /// Closes at once; no packet follows.
    virtual void Abort();
    /// Reads the size of the outgoing queue into OutgoingDLLPackets(Bytes).
    virtual void GetInfo(int32_t Options, int32_t Socket, int32_t SockID);
    virtual void AbortServerConnection(int32_t Socket, int32_t SockID);
    virtual void Ping(std::string_view IP, int32_t TTL);
    /// Logs the error, then calls ErrorTrap.
    virtual void CallErrorTrap_(std::string_view ErrorStr, std::string_view FunctionName);
    virtual void SSLSwitchToSSL_(int32_t Socket, int32_t SockID);
    virtual void WholePacketSend(std::string_view String, int32_t Length);
    virtual void WholePacketStorePartialPacket();
    virtual void WholePacketTruncate(int32_t Bytes);
    virtual void WholePacketCheckForWhole();
    /// Drops the framing buffer of connection `SockID`; with framing off it finds nothing.
    virtual void WholePacketFree(int32_t SockID);
    virtual void PartiallyCloseServer();
    virtual void RefreshQServerConnections(int32_t Free);
    virtual void SSLGetRemoteCertificate_(int32_t Socket, int32_t SockID, int32_t Closed);
    virtual std::string SSLGetSubjectField(std::string_view FieldName);
    virtual std::string SSLGetIssuerField(std::string_view FieldName);

    int32_t WholePacketUseLengthField = 0;
    std::vector<NETDLL::SimpleWholePacketQType>* WholePacketQueue = nullptr;
    std::unique_ptr<std::vector<NETDLL::SimpleWholePacketQType>> WholePacketQueue_;
    int32_t WholePacketDontFreeWholeBinData_ = 0;
    int32_t WholePacketAllocSize_ = 0;
    NET::SimplePacketType Packet;
    int32_t OpenFlag = 0;  ///< 1 while the connection is open
    int32_t OutgoingDLLPackets = 0;
    int32_t OutgoingDLLPacketsBytes = 0;
    std::vector<NETDLL::SimpleServerConnectionsQType>* QServerConnections = nullptr;
    int32_t ServerConnectionsCount = 0;
    int32_t SuppressErrorMsg = 0;  ///< 1: ErrorTrap only logs
    int32_t DontErrorTrapInSendIfConnectionClosed = 0;
    int32_t AsyncOpenUse = 0;      ///< 1: Open is asynchronous, bounded by AsyncOpenTimeOut
    int32_t AsyncOpenTimeOut = 0;  ///< hundredths for lookup and connect together
    int32_t AsyncOpenBusy = 0;     ///< 1 from an asynchronous Open until its outcome
    int32_t InActiveTimeout = 0;   ///< hundredths without traffic before an idle report; 0 = never
    int32_t LogDataBytes = 0;
    int32_t SSL = 0;
    int32_t SSLMethod = 0;
    NET::SimpleSSLCertificateOptionsType SSLCertificateOptions;
    int32_t SSLDontConnectOnOpen_ = 0;
    NET::SimpleConnectionType Connection_;
    int32_t Initalised_ = 0;  ///< 1 once Prime has run
    std::unique_ptr<std::vector<NETDLL::SimpleServerConnectionsQType>> QServerConnections_;
    int32_t BetweenPhaseOneAnTwo_ = 0;
    int32_t IgnorePhaseTwo_ = 0;

private:
    // TakeEvent's steps for a stored packet, and the two close routines.
    void TakePacket();
    void DispatchPacket();
    void DeliverToProcess();
    /// Remote close: the engine's second phase, then ConnectionClosed.
    void ConClosed1();
    /// Local close: the second phase, unless a new open has taken the object over.
    void ConClosed2();
};
