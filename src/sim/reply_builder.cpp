#include "sim/reply_builder.h"

#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

#include "sim/request_check.h"

namespace sim {

ReplyBuilder::ReplyBuilder() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) {
        throw std::runtime_error("socketpair failed");
    }
    libraryEnd_ = ends[0];
    captureEnd_ = ends[1];
    // The address is never connected to; the context only frames replies.
    context_ = modbus_new_tcp("127.0.0.1", 0);
    if (context_ == nullptr) {
        close(libraryEnd_);
        close(captureEnd_);
        throw std::runtime_error("modbus_new_tcp failed");
    }
    modbus_set_socket(context_, libraryEnd_);
}

ReplyBuilder::~ReplyBuilder() {
    modbus_set_socket(context_, -1);
    modbus_free(context_);
    close(libraryEnd_);
    close(captureEnd_);
}

std::vector<uint8_t> ReplyBuilder::Reply(std::span<const uint8_t> frame, Dl06Memory& memory) {
    int sent = -1;
    memory.WithMapping([&](modbus_mapping_t& mapping) {
        sent = modbus_reply(context_, frame.data(), static_cast<int>(frame.size()), &mapping);
    });
    std::vector<uint8_t> reply = TakeCaptured();
    if (sent <= 0 || reply.size() < kMbapSize + 1) return ExceptionReply(frame, kServerDeviceFailure);
    return reply;
}

std::vector<uint8_t> ReplyBuilder::TakeCaptured() {
    std::vector<uint8_t> bytes;
    std::array<uint8_t, 512> chunk{};
    for (;;) {
        const ssize_t got = recv(captureEnd_, chunk.data(), chunk.size(), 0);
        if (got <= 0) break;  // EAGAIN: everything libmodbus wrote has been taken
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
    }
    return bytes;
}

}  // namespace sim
