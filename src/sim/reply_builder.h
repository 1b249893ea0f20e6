// Builds the normal reply to a checked request with libmodbus.
//
// libmodbus's modbus_reply reads and writes the mapping and writes the reply
// to its context's socket. Here that socket is one end of a local socket pair,
// so the reply comes back to us as bytes: the server then decides when and how
// they go out (delayed, held, split, dropped). Only the server thread calls.
#pragma once

#include <modbus/modbus.h>

#include <cstdint>
#include <span>
#include <vector>

#include "sim/dl06_memory.h"

namespace sim {

class ReplyBuilder {
public:
    /// Throws std::runtime_error when the socket pair or the context cannot be made.
    ReplyBuilder();
    ~ReplyBuilder();
    ReplyBuilder(const ReplyBuilder&) = delete;
    ReplyBuilder& operator=(const ReplyBuilder&) = delete;

    /// Carries out `frame` (which CheckRequest passed) on `memory` and returns the reply;
    /// should libmodbus fail, the exception reply "server device failure".
    std::vector<uint8_t> Reply(std::span<const uint8_t> frame, Dl06Memory& memory);

private:
    std::vector<uint8_t> TakeCaptured();

    modbus_t* context_ = nullptr;
    int libraryEnd_ = -1;  // libmodbus writes here
    int captureEnd_ = -1;  // we read the reply here
};

}  // namespace sim
