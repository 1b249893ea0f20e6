// A pcap file of one TCP client connection as it went on the wire: the
// connection's bytes become IPv4/TCP segments between its real local and
// remote addresses and ports, with sequence and acknowledgement numbers and
// the time each segment was sent or received. A handshake opens and FINs
// close each connection, so Wireshark and tshark follow the stream and decode
// it as Modbus/TCP (port 502, or "decode as" for another port).
//
// Every segment is flushed to the file at once: the file is complete and
// readable whenever the program ends, normally or by a signal.
//
// Owner's thread only (the thread of the connection it records).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace capture {

/// An IPv4 address and port, both in host byte order.
struct Endpoint {
    uint32_t address = 0;
    uint16_t port = 0;
};

class TcpCapture {
public:
    /// Creates (truncates) `path` and writes the file header; nullptr with
    /// `error` set when the file cannot be written.
    static std::unique_ptr<TcpCapture> Create(const std::string& path, std::string& error);
    ~TcpCapture();
    TcpCapture(const TcpCapture&) = delete;
    TcpCapture& operator=(const TcpCapture&) = delete;

    /// A connection from `local` to `remote` was made: SYN, SYN-ACK, ACK.
    void Connected(Endpoint local, Endpoint remote);
    /// Bytes written to the connection, as one segment from local to remote.
    void Sent(std::span<const uint8_t> bytes);
    /// Bytes read from the connection, as one segment from remote to local.
    void Received(std::span<const uint8_t> bytes);
    /// The connection ended; `byPeer` tells which side closed it first.
    void Closed(bool byPeer);

    bool Connection() const { return connected_; }
    /// The local port of the connection last recorded.
    uint16_t LocalPort() const { return local_.port; }
    /// Segments written so far.
    uint64_t Segments() const { return segments_; }

private:
    struct Writer;
    explicit TcpCapture(std::unique_ptr<Writer> writer);
    /// One segment from `from` (local when `outgoing`) with `flags` and `payload`.
    void Segment(bool outgoing, uint8_t flags, std::span<const uint8_t> payload);

    std::unique_ptr<Writer> writer_;
    bool connected_ = false;
    Endpoint local_;
    Endpoint remote_;
    uint32_t localNext_ = 0;   // next sequence number from local to remote
    uint32_t remoteNext_ = 0;  // next sequence number from remote to local
    uint64_t segments_ = 0;
};

}  // namespace capture
