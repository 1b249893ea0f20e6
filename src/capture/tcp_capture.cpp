#include "capture/tcp_capture.h"

#include <pcap/pcap.h>
#include <sys/time.h>

#include <algorithm>
#include <vector>

namespace capture {
namespace {

constexpr std::size_t kIpHeader = 20;
constexpr std::size_t kTcpHeader = 20;
constexpr int kSnapLength = 65535;
constexpr std::size_t kLargestPayload = kSnapLength - kIpHeader - kTcpHeader;
constexpr uint8_t kTcpProtocol = 6;
constexpr uint8_t kTimeToLive = 64;
constexpr uint16_t kWindow = 65535;

// TCP flags (RFC 9293).
constexpr uint8_t kFin = 0x01;
constexpr uint8_t kSyn = 0x02;
constexpr uint8_t kPush = 0x08;
constexpr uint8_t kAck = 0x10;

// Initial sequence numbers: any value serves, as long as each side keeps counting from it.
constexpr uint32_t kLocalFirstSequence = 0x10000000;
constexpr uint32_t kRemoteFirstSequence = 0x20000000;

void Put16(std::vector<uint8_t>& out, std::size_t at, uint32_t value) {
    out[at] = static_cast<uint8_t>(value >> 8);
    out[at + 1] = static_cast<uint8_t>(value);
}
void Put32(std::vector<uint8_t>& out, std::size_t at, uint32_t value) {
    Put16(out, at, value >> 16);
    Put16(out, at + 2, value & 0xFFFF);
}

/// Ones' complement sum of 16-bit words (RFC 1071), not yet folded.
uint32_t Sum(std::span<const uint8_t> bytes, uint32_t sum = 0) {
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        uint32_t high = bytes[i];
        uint32_t low = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        sum += (high << 8) | low;
    }
    return sum;
}
uint16_t Fold(uint32_t sum) {
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

struct SegmentFields {
    Endpoint from;
    Endpoint to;
    uint32_t sequence = 0;
    uint32_t acknowledged = 0;
    uint8_t flags = 0;
};

/// An IPv4 packet holding one TCP segment, both checksums filled in.
std::vector<uint8_t> Packet(const SegmentFields& f, std::span<const uint8_t> payload) {
    const std::size_t total = kIpHeader + kTcpHeader + payload.size();
    std::vector<uint8_t> out(total, 0);
    out[0] = 0x45;  // version 4, header of five words
    Put16(out, 2, static_cast<uint32_t>(total));
    out[6] = 0x40;  // don't fragment
    out[8] = kTimeToLive;
    out[9] = kTcpProtocol;
    Put32(out, 12, f.from.address);
    Put32(out, 16, f.to.address);
    Put16(out, 10, Fold(Sum(std::span(out).first(kIpHeader))));

    const std::size_t tcp = kIpHeader;
    Put16(out, tcp, f.from.port);
    Put16(out, tcp + 2, f.to.port);
    Put32(out, tcp + 4, f.sequence);
    Put32(out, tcp + 8, (f.flags & kAck) != 0 ? f.acknowledged : 0);
    out[tcp + 12] = 0x50;  // header of five words
    out[tcp + 13] = f.flags;
    Put16(out, tcp + 14, kWindow);
    std::copy(payload.begin(), payload.end(), out.begin() + static_cast<std::ptrdiff_t>(tcp + kTcpHeader));
    // The TCP checksum covers a pseudo header: both addresses, protocol, TCP length.
    const auto segment = std::span(out).subspan(tcp);
    uint32_t pseudo = Sum(std::span(out).subspan(12, 8)) + kTcpProtocol + static_cast<uint32_t>(segment.size());
    Put16(out, tcp + 16, Fold(Sum(segment, pseudo)));
    return out;
}

}  // namespace

struct TcpCapture::Writer {
    pcap_t* handle = nullptr;
    pcap_dumper_t* dumper = nullptr;

    ~Writer() {
        if (dumper != nullptr) pcap_dump_close(dumper);
        if (handle != nullptr) pcap_close(handle);
    }
    void Write(const std::vector<uint8_t>& packet) {
        pcap_pkthdr header{};
        gettimeofday(&header.ts, nullptr);
        header.caplen = static_cast<bpf_u_int32>(packet.size());
        header.len = header.caplen;
        pcap_dump(reinterpret_cast<u_char*>(dumper), &header, packet.data());
        pcap_dump_flush(dumper);  // complete on disk even if a signal ends the program next
    }
};

std::unique_ptr<TcpCapture> TcpCapture::Create(const std::string& path, std::string& error) {
    auto writer = std::make_unique<Writer>();
    writer->handle = pcap_open_dead(DLT_RAW, kSnapLength);  // raw IPv4 packets, no link layer
    if (writer->handle == nullptr) {
        error = "cannot start a capture";
        return nullptr;
    }
    writer->dumper = pcap_dump_open(writer->handle, path.c_str());
    if (writer->dumper == nullptr) {
        error = "cannot write " + path + ": " + pcap_geterr(writer->handle);
        return nullptr;
    }
    pcap_dump_flush(writer->dumper);
    return std::unique_ptr<TcpCapture>(new TcpCapture(std::move(writer)));
}

TcpCapture::TcpCapture(std::unique_ptr<Writer> writer) : writer_(std::move(writer)) {}
TcpCapture::~TcpCapture() = default;

void TcpCapture::Segment(bool outgoing, uint8_t flags, std::span<const uint8_t> payload) {
    uint32_t& next = outgoing ? localNext_ : remoteNext_;
    SegmentFields fields{outgoing ? local_ : remote_, outgoing ? remote_ : local_, next,
                         outgoing ? remoteNext_ : localNext_, flags};
    writer_->Write(Packet(fields, payload));
    next += static_cast<uint32_t>(payload.size()) + ((flags & (kSyn | kFin)) != 0 ? 1 : 0);
    ++segments_;
}

void TcpCapture::Connected(Endpoint local, Endpoint remote) {
    local_ = local;
    remote_ = remote;
    localNext_ = kLocalFirstSequence;
    remoteNext_ = kRemoteFirstSequence;
    Segment(true, kSyn, {});
    Segment(false, kSyn | kAck, {});
    Segment(true, kAck, {});
    connected_ = true;
}

void TcpCapture::Sent(std::span<const uint8_t> bytes) {
    // A payload beyond one IPv4 packet (never a Modbus frame) goes in several segments.
    for (std::size_t at = 0; at < bytes.size(); at += kLargestPayload)
        Segment(true, kPush | kAck, bytes.subspan(at, std::min(kLargestPayload, bytes.size() - at)));
}

void TcpCapture::Received(std::span<const uint8_t> bytes) {
    for (std::size_t at = 0; at < bytes.size(); at += kLargestPayload)
        Segment(false, kPush | kAck, bytes.subspan(at, std::min(kLargestPayload, bytes.size() - at)));
}

void TcpCapture::Closed(bool byPeer) {
    if (!connected_) return;
    Segment(!byPeer, kFin | kAck, {});
    Segment(byPeer, kFin | kAck, {});
    Segment(!byPeer, kAck, {});
    connected_ = false;
}

}  // namespace capture
