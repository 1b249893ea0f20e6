// The socket engine and connection objects over real loopback sockets: a
// fresh library for every test (sockets layer marked started, the engine's
// handlers in place, a manual clock in force, the debug output captured),
// a plain POSIX peer on 127.0.0.1, and a connection object that records
// what it is told.
#pragma once

#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/callback/callback_window.h"
#include "net/connection/net_simple.h"
#include "net/connection/unique_events.h"
#include "net/engine/engine_hooks.h"
#include "net/engine/simple_engine.h"
#include "net/engine/simple_engine_internal.h"
#include "net_library_reset.h"
#include "netcore/net_critical.h"
#include "netcore/net_log.h"
#include "netcore/net_log_testing.h"
#include "netcore/net_memory.h"
#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/debug_output.h"
#include "platform/threads.h"

namespace engine_test {

constexpr int kWaitMs = 10000;  // bound of every wait for the other side; never reached when things work

/// A POSIX listener on 127.0.0.1 at an ephemeral port (or a bound port that
/// refuses, when not listening), and the peer end of accepted connections.
class LoopbackPeer {
public:
    explicit LoopbackPeer(bool listening = true, int backlog = 16) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        if (listening) ::listen(fd_, backlog);
    }
    ~LoopbackPeer() {
        for (int fd : accepted_) ::close(fd);
        ::close(fd_);
    }
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    uint16_t Port() const { return port_; }

    /// The next connection, waited for at most kWaitMs; -1 when none came.
    int Accept() {
        pollfd pfd{fd_, POLLIN, 0};
        if (::poll(&pfd, 1, kWaitMs) != 1) return -1;
        const int fd = ::accept(fd_, nullptr, nullptr);
        if (fd >= 0) accepted_.push_back(fd);
        return fd;
    }
    /// Writes all of `bytes`.
    static bool Write(int fd, std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) return false;
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }
    /// Reads until `count` bytes have come or the other side closed (each wait bounded).
    static std::string Read(int fd, std::size_t count) {
        std::string bytes;
        char buffer[65536];
        while (bytes.size() < count) {
            pollfd pfd{fd, POLLIN, 0};
            if (::poll(&pfd, 1, kWaitMs) != 1) break;
            const ssize_t n = ::recv(fd, buffer, std::min(sizeof buffer, count - bytes.size()), 0);
            if (n <= 0) break;
            bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }
    /// True when the other side has closed its sending direction (bounded wait).
    static bool SeesClose(int fd) {
        pollfd pfd{fd, POLLIN, 0};
        if (::poll(&pfd, 1, kWaitMs) != 1) return false;
        char byte;
        return ::recv(fd, &byte, 1, MSG_PEEK) == 0;
    }
    void Close(int fd) {
        std::erase(accepted_, fd);
        ::close(fd);
    }

private:
    int fd_;
    uint16_t port_ = 0;
    std::vector<int> accepted_;
};

/// What a connection object was told, in order.
struct Told {
    std::string what;  ///< "Process", "ConnectionClosed" or "ErrorTrap"
    int32_t packetType = 0;
    std::string data;
    int32_t error = 0;
    int32_t winSockError = 0;
    std::string text;
};

class RecordingConnection : public NetSimple {
public:
    RecordingConnection() { SuppressErrorMsg = 1; }

    void Process() override {
        told.push_back({"Process", Packet.PacketType, std::string(Packet.Data()), Error, WinSockError, {}});
    }
    void ConnectionClosed() override {
        told.push_back({"ConnectionClosed", Packet.PacketType, {}, Error, WinSockError, {}});
    }
    void ErrorTrap(std::string_view text, std::string_view function) override {
        told.push_back({"ErrorTrap", Packet.PacketType, {}, Error, WinSockError, std::string(text)});
        NetSimple::ErrorTrap(text, function);
    }

    std::size_t Count(std::string_view what, int32_t type = -1) const {
        return static_cast<std::size_t>(std::count_if(told.begin(), told.end(), [&](const Told& t) {
            return t.what == what && (type < 0 || t.packetType == type);
        }));
    }
    /// Every data byte handed to Process, in order.
    std::string ReceivedData() const {
        std::string all;
        for (const Told& t : told)
            if (t.what == "Process" && t.packetType == NET::SimplePartialDataPacket) all += t.data;
        return all;
    }
    /// Fills Packet with `bytes` and sends it.
    void SendBytes(std::string_view bytes) {
        Packet.BinData = bytes;
        Packet.BinDataLen = static_cast<int32_t>(bytes.size());
        Send();
    }

    std::vector<Told> told;
};

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLibrary();
        platform::SetCommandLine("brackwater");
        InstallSimpleEngine();
        NetCriticalHold hold;
        NetMemory.WinsockInit = 1;
    }
    void TearDown() override {
        NetCloseCallBackWindow();
        EXPECT_TRUE(NetWaitForCallBackWindowEnd(std::chrono::milliseconds(kWaitMs)));
        while (platform::TakeEvent()) {
        }
        ResetLibrary();
    }

    static void ResetLibrary() { testsupport::ResetNetLibrary(); }

    /// Library lines on (normal and error lines), as "/netdlllog" gives them.
    static void LogLibrary(const std::string& switches = "/netdlllog") {
        platform::SetCommandLine("brackwater " + switches);
        LoggingOptions();
    }

    /// Takes this thread's events into `connection` until `done` holds; false after kWaitMs.
    static bool PumpUntil(NetSimple& connection, const std::function<bool()>& done) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (!done()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            if (auto event = platform::WaitEvent(std::min(left, std::chrono::milliseconds(100))))
                connection.TakeEvent(*event);
        }
        return true;
    }

    /// Moves the clock on by `hundredths` and waits until the callback window's tick has run.
    void Tick(int64_t hundredths = 100) {
        const auto before = TickCount();
        clock.Advance(hundredths);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
        while (TickCount() == before && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_GT(TickCount(), before) << "the callback window's tick did not run";
    }
    std::size_t TickCount() const {
        auto lines = capture.Lines();
        return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find("End Timer ----") != std::string::npos;
        }));
    }

    /// Loads the callback window holding the lock once, as an open does.
    static int32_t LoadWindow() {
        NetCriticalHold hold;
        return LoadCallBackWindow();
    }
    static std::size_t ClientRecords() {
        NetCriticalHold hold;
        return qSimpleClientSockets.Count();
    }
    static std::size_t StoredPackets() {
        NetCriticalHold hold;
        return qSimpleInData.Count();
    }
    static long OpenDescriptors() {
        const std::filesystem::directory_iterator fds("/proc/self/fd");
        return std::distance(begin(fds), end(fds));
    }

    /// A connection object set up as the test window sets up its own.
    static void Prepare(RecordingConnection& connection) { connection.Init(NET::SimpleClient); }

    /// A blocking open of `connection` to `peer`; the accepted peer end, or -1.
    static int OpenBlocking(RecordingConnection& connection, LoopbackPeer& peer) {
        connection.AsyncOpenUse = 0;
        connection.Open("127.0.0.1", peer.Port());
        if (connection.Error != 0 || connection.OpenFlag != 1) return -1;
        return peer.Accept();
    }

    platform::ManualClock clock{1, {2026, 1, 1}};
    platform::ScopedClock scopedClock{clock};
    platform::ScopedCapture capture;
};

}  // namespace engine_test
