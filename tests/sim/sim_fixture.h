// Helpers for the simulator tests: a simulator on an ephemeral loopback port,
// libmodbus clients with bounded time-outs, and a raw socket client for
// checking wire bytes. Every wait is bounded.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "sim/simulator.h"

namespace sim::testing {

using Bytes = std::vector<uint8_t>;
inline constexpr std::chrono::milliseconds kPatience{3000};  // bound on any wait that should succeed

struct ModbusFree {
    void operator()(modbus_t* context) const {
        modbus_close(context);
        modbus_free(context);
    }
};
using ModbusClient = std::unique_ptr<modbus_t, ModbusFree>;

/// A connected libmodbus client; `timeout` bounds every reply wait.
inline ModbusClient Connect(uint16_t port, std::chrono::milliseconds timeout = kPatience) {
    ModbusClient client(modbus_new_tcp("127.0.0.1", port));
    if (!client) return nullptr;
    const auto ms = timeout.count();
    modbus_set_response_timeout(client.get(), static_cast<uint32_t>(ms / 1000),
                                static_cast<uint32_t>((ms % 1000) * 1000));
    if (modbus_connect(client.get()) != 0) return nullptr;
    return client;
}

/// A plain blocking TCP client for exact bytes; receive waits are bounded.
class RawClient {
public:
    explicit RawClient(uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawClient() { close(fd_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool Connected() const { return connected_; }
    int Fd() const { return fd_; }
    bool Send(const Bytes& bytes) {
        return send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    /// Exactly `count` bytes, or nothing when they do not come within `timeout`.
    std::optional<Bytes> Receive(std::size_t count, std::chrono::milliseconds timeout = kPatience) {
        Bytes bytes;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (bytes.size() < count) {
            if (!WaitReadable(deadline)) return std::nullopt;
            uint8_t chunk[512];
            const ssize_t got = recv(fd_, chunk, std::min(sizeof chunk, count - bytes.size()), 0);
            if (got <= 0) return std::nullopt;
            bytes.insert(bytes.end(), chunk, chunk + got);
        }
        return bytes;
    }
    /// One whole Modbus TCP frame (by its length field).
    std::optional<Bytes> ReceiveFrame(std::chrono::milliseconds timeout = kPatience) {
        auto header = Receive(6, timeout);
        if (!header) return std::nullopt;
        auto rest = Receive(static_cast<std::size_t>(((*header)[4] << 8) | (*header)[5]), timeout);
        if (!rest) return std::nullopt;
        header->insert(header->end(), rest->begin(), rest->end());
        return header;
    }
    /// How the connection ends: 0 for an orderly close, the errno of a failed read
    /// (ECONNRESET), or -1 when data came or nothing happened within `timeout`.
    int WaitForEnd(std::chrono::milliseconds timeout = kPatience) {
        if (!WaitReadable(std::chrono::steady_clock::now() + timeout)) return -1;
        uint8_t byte;
        const ssize_t got = recv(fd_, &byte, 1, 0);
        if (got == 0) return 0;
        return got < 0 ? errno : -1;
    }

private:
    bool WaitReadable(std::chrono::steady_clock::time_point deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{fd_, POLLIN, 0};
        return poll(&entry, 1, static_cast<int>(std::max<int64_t>(left.count(), 0))) == 1;
    }

    int fd_;
    bool connected_ = false;
};

/// A request frame: transaction, protocol 0, length, unit 1, function and data.
inline Bytes Frame(uint16_t transaction, uint8_t function, const Bytes& data, uint8_t unit = 1) {
    const auto length = static_cast<uint16_t>(data.size() + 2);
    Bytes frame(8 + data.size());
    frame[0] = static_cast<uint8_t>(transaction >> 8);
    frame[1] = static_cast<uint8_t>(transaction);
    frame[4] = static_cast<uint8_t>(length >> 8);
    frame[5] = static_cast<uint8_t>(length);
    frame[6] = unit;
    frame[7] = function;
    std::copy(data.begin(), data.end(), frame.begin() + 8);
    return frame;
}

/// A simulator on an ephemeral port, started for each test and stopped after it.
class SimulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(simulator_.Start(&error)) << error;
        ASSERT_NE(simulator_.Port(), 0);
    }
    void TearDown() override { simulator_.Stop(); }

    ModbusClient Client(std::chrono::milliseconds timeout = kPatience) { return Connect(simulator_.Port(), timeout); }
    /// Sends `request` on a fresh raw connection and returns the reply frame.
    std::optional<Bytes> Exchange(const Bytes& request) {
        RawClient raw(simulator_.Port());
        if (!raw.Connected() || !raw.Send(request)) return std::nullopt;
        return raw.ReceiveFrame();
    }

    Dl06Simulator simulator_;
};

}  // namespace sim::testing
