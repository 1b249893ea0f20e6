// The socket engine's process-wide lists: client socket records, packets
// stored for connection objects, and packets queued for sending.
//
// Each list keeps the order the engine relies on (records by the order they
// were opened, stored packets by arrival, queued packets by packet id) and
// an index by connection, socket message and lookup handle, so that a
// notification or a packet of one connection never walks the others.
// Guarded by the library lock: only code holding NetCritical may touch them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/fixed_text.h"
#include "platform/sockets.h"

namespace NETDLL {

/// One client connection that is being opened, is open or is being closed.
struct SimpleClientSocketsType {
    int32_t Socket = 0;
    int32_t SockID = 0;
    platform::SockAddrIn Addr{};
    platform::SockAddrIn LocAddr{0, 0, 0, {}};
    int32_t AsyncMessage = 0;  ///< change only through SimpleClientSocketList::SetAsyncMessage
    int32_t NotifyThread = 0;
    int32_t NotifyEvent = 0;
    int32_t ClosingState = 0;
    int32_t PhaseOneCloseCalled = 0;
    int32_t PhaseOneCloseTime = 0;
    int32_t FD_Close_Received = 0;
    int32_t PhaseTwoCloseCalled = 0;
    int32_t AsyncOpenInProgress = 0;
    int32_t AsyncOpenStopTime = 0;
    int32_t AsyncDNSHandle = 0;  ///< change only through SimpleClientSocketList::SetAsyncDNSHandle
    platform::BlankPadded<256> Server;
    uint16_t Port = 0;
    uint16_t Spacer1_ = 0;
    int32_t InactiveTimeout = 0;
    int32_t LastActive = 0;
    int32_t WaitingForFD_Write = 0;
    int32_t GotFD_Connect = 0;
    int32_t lpDNSSimple = 0;  ///< 1 while a lookup answer buffer is held for the record
    int32_t SSL = 0;
    int32_t SSL_Method = 0;
    int32_t SSL_DontConnectOnOpen = 0;
    int32_t SSL_lpSSL = 0;
    int32_t SSL_lpSSL_CTX = 0;
    int32_t SSL_Called_SSL_Set_FD = 0;
    int32_t SSL_SSLConnected = 0;
    int32_t ReadHeld = 0;  ///< 1 while reading waits for the object to take its stored packets
};

/// A packet stored for a connection object; only the used data bytes are kept.
struct SimpleInDataType {
    uint32_t FromIP = 0;
    int32_t OnSocket = 0;
    int32_t SockID = 0;
    std::string BinData;
    int32_t PacketType = 0;
    uint16_t ServerPort = 0;
    uint16_t UDPFromPort = 0;
    int32_t ServerOnSocket = 0;
    int32_t ServerSockID = 0;
    int32_t DebugPacketNumber_ = 0;
    int32_t NetError = 0;
    int32_t WinSockError = 0;
    int32_t SSLError = 0;
};

/// A packet queued for sending: its bytes, how many have been written, and
/// where it goes (the qSimpleOutData and qSimpleOutList entries in one).
struct SimpleOutPacketType {
    int32_t SimplePacketID = 0;
    std::string BinData;
    int32_t BytesSent = 0;
    int32_t Socket = 0;
    int32_t SockID = 0;
    platform::SockAddrIn Addr{};
};

}  // namespace NETDLL

/// Client socket records in the order they were added (serial numbers only
/// grow, so that is also SockID order), found by SockID, message or handle.
class SimpleClientSocketList {
public:
    using Record = NETDLL::SimpleClientSocketsType;

    Record* BySockID(int32_t sockID);
    Record* ByMessage(int32_t message);
    Record* ByDNSHandle(int32_t handle);
    /// Adds `record`; false when a record with its SockID is already there.
    bool Add(const Record& record);
    /// Writes `record` back over the stored record of its SockID, keeping the
    /// indexes right; false when there is none.
    bool Save(const Record& record);
    void Erase(int32_t sockID);
    void SetAsyncMessage(Record& record, int32_t message);
    void SetAsyncDNSHandle(Record& record, int32_t handle);
    std::size_t Count() const { return records_.size(); }
    bool MessageInUse(int32_t message) const { return byMessage_.contains(message); }
    void Clear();

    /// SockIDs in list order: a copy, so the caller may delete while walking.
    std::vector<int32_t> SockIDs() const;

private:
    std::map<int32_t, Record> records_;
    std::unordered_map<int32_t, int32_t> byMessage_;
    std::unordered_map<int32_t, int32_t> byHandle_;
};

/// Stored packets in arrival order, with each connection's packets at hand.
/// A removed packet's storage (its list node and data buffer) is kept for the
/// next one, so storing and handing over a packet allocates nothing once the
/// list has warmed up.
class SimpleInDataList {
public:
    using Packet = NETDLL::SimpleInDataType;

    /// Adds a packet of `sockID` carrying `data` at the end and returns it for
    /// the rest to be filled in.
    Packet& Append(int32_t sockID, std::string_view data);
    bool Empty() const { return packets_.empty(); }
    std::size_t Count() const { return packets_.size(); }
    /// The oldest packet of `sockID` for which `matches` holds, or null; its
    /// key (for PositionOf and Remove) goes to `key`.
    template <class Match>
    const Packet* FirstOf(int32_t sockID, Match matches, uint64_t* key) const {
        auto found = bySockID_.find(sockID);
        if (found == bySockID_.end()) return nullptr;
        for (uint64_t k : found->second.keys) {
            const Packet& p = packets_.at(k);
            if (matches(p)) {
                *key = k;
                return &p;
            }
        }
        return nullptr;
    }
    /// 1-based position of the packet `key` in arrival order (walks the list).
    std::size_t PositionOf(uint64_t key) const;
    void Remove(uint64_t key);
    /// Deletes the packets of `sockID` on `socket`; returns how many.
    int32_t RemoveOf(int32_t sockID, int32_t socket);
    void Clear();
    /// How many packets of `sockID` are stored, and the bytes of their data.
    std::size_t CountOf(int32_t sockID) const;
    std::size_t BytesOf(int32_t sockID) const;

private:
    using Packets = std::map<uint64_t, Packet>;
    /// Removed packets kept for reuse, at most this many, each with a buffer of at most this size.
    static constexpr std::size_t kSpareNodes = 16;
    static constexpr std::size_t kSpareBytes = 4096;

    struct Owned {
        std::deque<uint64_t> keys;  // arrival order
        std::size_t bytes = 0;
    };
    void Forget(Owned& owned, const Packet& packet);

    uint64_t next_ = 1;
    Packets packets_;
    // A connection's entry stays while it has packets or until its packets are
    // dropped (RemoveOf), so a packet at a time does not make and free it.
    std::unordered_map<int32_t, Owned> bySockID_;
    std::vector<Packets::node_type> spare_;
};

/// Queued packets by connection, each connection's in packet-id order.
class SimpleOutQueue {
public:
    using Packet = NETDLL::SimpleOutPacketType;

    void Append(Packet packet);
    /// The first queued packet of `sockID` going to `socket` and `addr`, or null.
    Packet* FirstFor(int32_t sockID, int32_t socket, const platform::SockAddrIn& addr);
    void RemoveFirst(int32_t sockID, int32_t packetID);
    /// Deletes the packets of `sockID` on `socket` (and to `ip` when not 0).
    int32_t RemoveOf(int32_t sockID, int32_t socket, uint32_t ip);
    /// Packets of `sockID` on `socket`, and the sum of their lengths.
    int32_t CountOf(int32_t sockID, int32_t socket, int64_t* bytes = nullptr) const;
    std::size_t Count() const { return count_; }
    void Clear();

private:
    // A connection's entry stays until its packets are dropped (RemoveOf), so
    // a packet at a time does not make and free it.
    std::unordered_map<int32_t, std::deque<Packet>> bySockID_;
    std::size_t count_ = 0;
};

extern SimpleClientSocketList qSimpleClientSockets;
extern SimpleInDataList qSimpleInData;
extern SimpleOutQueue qSimpleOutQueue;
