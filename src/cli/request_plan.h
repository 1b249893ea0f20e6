// From references to Modbus requests and back: contiguous addresses of one
// space go in as few requests as the protocol allows (Modbus Application
// Protocol V1.1b3: at most 2000 bits or 125 registers read, 1968 coils or 123
// registers written per request); single items are written with function 5
// or 6. A reply's PDU is checked against its request and turned into values.
//
// Pure functions; any thread may call.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/reference.h"

namespace cli {

inline constexpr uint16_t kMostBitsRead = 2000;
inline constexpr uint16_t kMostRegistersRead = 125;
inline constexpr uint16_t kMostCoilsWritten = 1968;
inline constexpr uint16_t kMostRegistersWritten = 123;

struct Request {
    Space space = Space::Coils;
    uint8_t function = 0;
    uint16_t start = 0;
    uint16_t quantity = 0;
    std::vector<uint16_t> values;  ///< writes: one per address (bits 0 or 1)
    std::string what;              ///< the references it covers, for messages: "V2000" or "X0..X17"

    /// The request PDU: function code, then its data (high byte first).
    std::vector<uint8_t> Pdu() const;
    /// The same into `pdu`, reusing its room.
    void PutPdu(std::vector<uint8_t>& pdu) const;
};

/// A value for one reference to write.
struct Assignment {
    Reference reference;
    uint16_t value = 0;
};

/// Read requests for `references`, duplicates read once.
std::vector<Request> PlanReads(const std::vector<Reference>& references);
/// Write requests for `assignments`; a reference given twice takes the last value.
/// Discrete inputs cannot be written: they must not be among them.
std::vector<Request> PlanWrites(const std::vector<Assignment>& assignments);

/// A read reply's values, one per address of the request; nothing when the
/// PDU is no complete reply to it (`error` says what is wrong).
std::optional<std::vector<uint16_t>> ReadValues(const Request& request, std::span<const uint8_t> pdu,
                                                std::string& error);

/// Values by space and address, gathered from the answered requests.
using ValueTable = std::map<std::pair<Space, uint16_t>, uint16_t>;

}  // namespace cli
