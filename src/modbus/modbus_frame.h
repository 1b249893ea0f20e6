// The 1024-byte frame area of a send-log row, holding one Modbus TCP frame.
//
// Layout (Modbus Messaging on TCP/IP Implementation Guide, MBAP header):
//   0  transaction identifier  (2)
//   2  protocol identifier     (2)
//   4  length field            (2)  bytes that follow: unit id, function code, data
//   6  unit identifier         (1)
//   7  function code           (1)
//   8  data                    (1016)
// In memory the three header words are held low byte first (the order the
// window works in); on the wire they are high byte first. The data bytes are
// always in wire order. The same bytes are also readable as text (the packet
// string) and as the duplicate key: everything after the transaction identifier.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

class ModbusTcpFrame {
public:
    static constexpr std::size_t kSize = 1024;
    static constexpr std::size_t kHeaderSize = 7;  // MBAP header
    static constexpr std::size_t kDataOffset = 8;  // after the function code
    static constexpr std::size_t kDataSize = kSize - kDataOffset;
    /// Frame length = length field + this.
    static constexpr int32_t kLengthFieldOffset = 6;

    ModbusTcpFrame() { bytes_.fill(0); }

    uint16_t TransactionIdentifier() const { return Word(0); }
    void SetTransactionIdentifier(uint16_t value) { SetWord(0, value); }
    int16_t ProtocolIdentifier() const { return static_cast<int16_t>(Word(2)); }
    void SetProtocolIdentifier(int16_t value) { SetWord(2, static_cast<uint16_t>(value)); }
    int16_t LengthField() const { return static_cast<int16_t>(Word(4)); }
    void SetLengthField(int16_t value) { SetWord(4, static_cast<uint16_t>(value)); }
    uint8_t UnitIdentifier() const { return bytes_[6]; }
    void SetUnitIdentifier(uint8_t value) { bytes_[6] = value; }
    uint8_t FunctionCode() const { return bytes_[7]; }
    void SetFunctionCode(uint8_t value) { bytes_[7] = value; }

    /// Data byte `n`, numbered from 1 as in the Modbus PDU descriptions (1 .. 1016).
    uint8_t& DataByte(std::size_t n) { return bytes_.at(kDataOffset + n - 1); }
    uint8_t DataByte(std::size_t n) const { return bytes_.at(kDataOffset + n - 1); }
    std::span<uint8_t, kDataSize> DataBytes() { return std::span(bytes_).subspan<kDataOffset>(); }
    std::span<const uint8_t, kDataSize> DataBytes() const { return std::span(bytes_).subspan<kDataOffset>(); }

    /// The transaction identifier seen as a signed word (the key view's first field).
    int16_t KeyTransactionIdentifier() const { return static_cast<int16_t>(Word(0)); }
    /// Everything after the transaction identifier: the duplicate key of a request.
    std::span<const uint8_t> KeyDataBytes() const { return std::span(bytes_).subspan(2); }

    /// The whole area as 1024 characters.
    std::string_view PacketString() const { return {reinterpret_cast<const char*>(bytes_.data()), kSize}; }
    std::span<uint8_t, kSize> Bytes() { return bytes_; }
    std::span<const uint8_t, kSize> Bytes() const { return bytes_; }

    /// Exchanges the two bytes of each of the three header words, turning host
    /// order into wire order and back.
    void SwapHeaderWords() {
        for (std::size_t at = 0; at < 6; at += 2) std::swap(bytes_[at], bytes_[at + 1]);
    }
    /// Fills the area with `filler` and copies `frame` (at most 1024 bytes) to its front.
    void Load(std::span<const uint8_t> frame, uint8_t filler);

    friend bool operator==(const ModbusTcpFrame&, const ModbusTcpFrame&) = default;

private:
    uint16_t Word(std::size_t at) const { return static_cast<uint16_t>(bytes_[at] | (bytes_[at + 1] << 8)); }
    void SetWord(std::size_t at, uint16_t value) {
        bytes_[at] = static_cast<uint8_t>(value & 0xFF);
        bytes_[at + 1] = static_cast<uint8_t>(value >> 8);
    }

    std::array<uint8_t, kSize> bytes_;
};
