#include "net/engine/simple_lists.h"

#include <algorithm>
#include <utility>

SimpleClientSocketList qSimpleClientSockets;
SimpleInDataList qSimpleInData;
SimpleOutQueue qSimpleOutQueue;

namespace {

bool SameAddress(const platform::SockAddrIn& a, const platform::SockAddrIn& b) {
    return a.sin_family == b.sin_family && a.sin_port == b.sin_port && a.sin_addr == b.sin_addr;
}

}  // namespace

// ---- client socket records ----

SimpleClientSocketList::Record* SimpleClientSocketList::BySockID(int32_t sockID) {
    auto found = records_.find(sockID);
    return found == records_.end() ? nullptr : &found->second;
}

SimpleClientSocketList::Record* SimpleClientSocketList::ByMessage(int32_t message) {
    auto found = byMessage_.find(message);
    return found == byMessage_.end() ? nullptr : BySockID(found->second);
}

SimpleClientSocketList::Record* SimpleClientSocketList::ByDNSHandle(int32_t handle) {
    auto found = byHandle_.find(handle);
    return found == byHandle_.end() ? nullptr : BySockID(found->second);
}

bool SimpleClientSocketList::Add(const Record& record) {
    auto [where, added] = records_.emplace(record.SockID, record);
    if (!added) return false;
    Record& stored = where->second;
    const int32_t message = std::exchange(stored.AsyncMessage, 0);
    const int32_t handle = std::exchange(stored.AsyncDNSHandle, 0);
    SetAsyncMessage(stored, message);
    SetAsyncDNSHandle(stored, handle);
    return true;
}

bool SimpleClientSocketList::Save(const Record& record) {
    Record* stored = BySockID(record.SockID);
    if (stored == nullptr) return false;
    if (stored == &record) return true;
    SetAsyncMessage(*stored, record.AsyncMessage);
    SetAsyncDNSHandle(*stored, record.AsyncDNSHandle);
    *stored = record;
    return true;
}

void SimpleClientSocketList::Erase(int32_t sockID) {
    Record* record = BySockID(sockID);
    if (record == nullptr) return;
    SetAsyncMessage(*record, 0);
    SetAsyncDNSHandle(*record, 0);
    records_.erase(sockID);
}

void SimpleClientSocketList::SetAsyncMessage(Record& record, int32_t message) {
    if (record.AsyncMessage != 0) byMessage_.erase(record.AsyncMessage);
    record.AsyncMessage = message;
    if (message != 0) byMessage_[message] = record.SockID;
}

void SimpleClientSocketList::SetAsyncDNSHandle(Record& record, int32_t handle) {
    if (record.AsyncDNSHandle != 0) byHandle_.erase(record.AsyncDNSHandle);
    record.AsyncDNSHandle = handle;
    if (handle != 0) byHandle_[handle] = record.SockID;
}

std::vector<int32_t> SimpleClientSocketList::SockIDs() const {
    std::vector<int32_t> ids;
    ids.reserve(records_.size());
    for (const auto& entry : records_) ids.push_back(entry.first);
    return ids;
}

void SimpleClientSocketList::Clear() {
    records_.clear();
    byMessage_.clear();
    byHandle_.clear();
}

// ---- stored packets ----

SimpleInDataList::Packet& SimpleInDataList::Append(int32_t sockID, std::string_view data) {
    const uint64_t key = next_++;
    Owned& owned = bySockID_[sockID];
    owned.keys.push_back(key);
    owned.bytes += data.size();
    Packets::iterator where;
    if (spare_.empty()) {
        where = packets_.emplace_hint(packets_.end(), key, Packet{});
    } else {
        Packets::node_type node = std::move(spare_.back());
        spare_.pop_back();
        node.key() = key;
        std::string buffer = std::move(node.mapped().BinData);
        buffer.clear();
        node.mapped() = Packet{};
        node.mapped().BinData = std::move(buffer);
        where = packets_.insert(packets_.end(), std::move(node));
    }
    where->second.SockID = sockID;
    where->second.BinData.assign(data);
    return where->second;
}

std::size_t SimpleInDataList::PositionOf(uint64_t key) const {
    auto found = packets_.find(key);
    return static_cast<std::size_t>(std::distance(packets_.begin(), found)) + 1;
}

void SimpleInDataList::Forget(Owned& owned, const Packet& packet) { owned.bytes -= packet.BinData.size(); }

void SimpleInDataList::Remove(uint64_t key) {
    auto found = packets_.find(key);
    if (found == packets_.end()) return;
    auto owner = bySockID_.find(found->second.SockID);
    if (owner != bySockID_.end()) {
        Owned& owned = owner->second;
        if (!owned.keys.empty() && owned.keys.front() == key)
            owned.keys.pop_front();  // the usual case: the connection's oldest packet
        else
            std::erase(owned.keys, key);
        Forget(owned, found->second);
    }
    if (spare_.size() < kSpareNodes && found->second.BinData.capacity() <= kSpareBytes)
        spare_.push_back(packets_.extract(found));
    else
        packets_.erase(found);
}

int32_t SimpleInDataList::RemoveOf(int32_t sockID, int32_t socket) {
    auto owner = bySockID_.find(sockID);
    if (owner == bySockID_.end()) return 0;
    int32_t removed = 0;
    std::deque<uint64_t> kept;
    for (uint64_t key : owner->second.keys) {
        auto found = packets_.find(key);
        if (found->second.OnSocket == socket) {
            Forget(owner->second, found->second);
            packets_.erase(found);
            ++removed;
        } else {
            kept.push_back(key);
        }
    }
    if (kept.empty()) {
        bySockID_.erase(owner);
    } else {
        owner->second.keys = std::move(kept);
    }
    return removed;
}

void SimpleInDataList::Clear() {
    packets_.clear();
    bySockID_.clear();
    spare_.clear();
}

std::size_t SimpleInDataList::CountOf(int32_t sockID) const {
    auto owner = bySockID_.find(sockID);
    return owner == bySockID_.end() ? 0 : owner->second.keys.size();
}

std::size_t SimpleInDataList::BytesOf(int32_t sockID) const {
    auto owner = bySockID_.find(sockID);
    return owner == bySockID_.end() ? 0 : owner->second.bytes;
}

// ---- queued packets ----

void SimpleOutQueue::Append(Packet packet) {
    auto& queue = bySockID_[packet.SockID];
    queue.push_back(std::move(packet));
    ++count_;
}

SimpleOutQueue::Packet* SimpleOutQueue::FirstFor(int32_t sockID, int32_t socket, const platform::SockAddrIn& addr) {
    auto owner = bySockID_.find(sockID);
    if (owner == bySockID_.end()) return nullptr;
    for (Packet& packet : owner->second) {
        if (packet.Socket == socket && SameAddress(packet.Addr, addr)) return &packet;
    }
    return nullptr;
}

void SimpleOutQueue::RemoveFirst(int32_t sockID, int32_t packetID) {
    auto owner = bySockID_.find(sockID);
    if (owner == bySockID_.end()) return;
    auto& queue = owner->second;
    auto found =
        std::find_if(queue.begin(), queue.end(), [&](const Packet& p) { return p.SimplePacketID == packetID; });
    if (found == queue.end()) return;
    queue.erase(found);
    --count_;
}

int32_t SimpleOutQueue::RemoveOf(int32_t sockID, int32_t socket, uint32_t ip) {
    auto owner = bySockID_.find(sockID);
    if (owner == bySockID_.end()) return 0;
    const auto before = owner->second.size();
    std::erase_if(owner->second,
                  [&](const Packet& p) { return p.Socket == socket && (ip == 0 || p.Addr.sin_addr == ip); });
    const auto removed = before - owner->second.size();
    count_ -= removed;
    if (owner->second.empty()) bySockID_.erase(owner);
    return static_cast<int32_t>(removed);
}

int32_t SimpleOutQueue::CountOf(int32_t sockID, int32_t socket, int64_t* bytes) const {
    int32_t count = 0;
    int64_t total = 0;
    auto owner = bySockID_.find(sockID);
    if (owner != bySockID_.end()) {
        for (const Packet& p : owner->second) {
            if (p.Socket != socket) continue;
            ++count;
            total += static_cast<int64_t>(p.BinData.size());
        }
    }
    if (bytes != nullptr) *bytes = total;
    return count;
}

void SimpleOutQueue::Clear() {
    bySockID_.clear();
    count_ = 0;
}
