#include "sim/simulator.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <modbus/modbus.h>
#include <netinet/in.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "sim/client_connection.h"
#include "sim/reply_builder.h"

namespace sim {
namespace {

constexpr int kListenBacklog = 16;

void SetError(std::string* error, std::string text) {
    if (error != nullptr) *error = std::move(text);
}

uint16_t BoundPort(int fd) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
    return ntohs(address.sin_port);
}

}  // namespace

Dl06Simulator::Dl06Simulator(SimulatorOptions options)
    : options_(std::move(options)), wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
    if (wakeFd_ < 0) throw std::runtime_error("eventfd failed");
    faults_.SetChangedHook([this] { Wake(); });
}

Dl06Simulator::~Dl06Simulator() {
    Stop();
    faults_.SetChangedHook(nullptr);
    close(wakeFd_);
}

bool Dl06Simulator::Start(std::string* error) {
    if (thread_.joinable()) return true;
    try {
        if (!builder_) builder_ = std::make_unique<ReplyBuilder>();
    } catch (const std::exception& failure) {
        SetError(error, failure.what());
        return false;
    }
    if (!OpenListener(error)) return false;
    stopRequested_ = false;
    {
        std::lock_guard lock(commandMutex_);
        running_ = true;
    }
    thread_ = std::thread([this] { Run(); });
    return true;
}

void Dl06Simulator::Stop() {
    if (!thread_.joinable()) return;
    stopRequested_ = true;
    Wake();
    thread_.join();
    builder_.reset();  // its socket pair too: a stopped simulator holds no socket
    {
        std::lock_guard lock(commandMutex_);
        running_ = false;
    }
    applied_.notify_all();
}

bool Dl06Simulator::Running() const { return running_.load(); }

uint16_t Dl06Simulator::Port() const { return port_.load(); }

/// Listens through libmodbus. Owner's thread before the server thread runs, or the server thread.
bool Dl06Simulator::OpenListener(std::string* error) {
    in_addr parsed{};
    if (inet_pton(AF_INET, options_.bindAddress.c_str(), &parsed) != 1) {
        SetError(error, "not an IPv4 address: " + options_.bindAddress);
        return false;
    }
    const uint16_t port = port_.load() != 0 ? port_.load() : options_.port;
    modbus_t* context = modbus_new_tcp(options_.bindAddress.c_str(), port);
    if (context == nullptr) {
        SetError(error, std::string("modbus_new_tcp: ") + modbus_strerror(errno));
        return false;
    }
    const int fd = modbus_tcp_listen(context, kListenBacklog);
    const int listenErrno = errno;
    modbus_free(context);  // the listening socket stays ours
    if (fd < 0) {
        SetError(error, "cannot listen on " + options_.bindAddress + ":" + std::to_string(port) + ": " +
                            std::strerror(listenErrno));
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    listenFd_ = fd;
    port_ = BoundPort(fd);  // a restart binds this port again
    return true;
}

void Dl06Simulator::CloseListener() {
    if (listenFd_ < 0) return;
    close(listenFd_);
    listenFd_ = -1;
}

void Dl06Simulator::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wakeFd_, &one, sizeof one);
}

void Dl06Simulator::SetAcceptMode(AcceptMode mode) {
    uint64_t generation = 0;
    {
        std::lock_guard lock(commandMutex_);
        acceptMode_ = mode;
        generation = ++commandGeneration_;
    }
    Wake();
    WaitApplied(generation);
}

void Dl06Simulator::CloseAllClients(bool reset) {
    uint64_t generation = 0;
    {
        std::lock_guard lock(commandMutex_);
        closeAllPending_ = true;
        closeAllReset_ = reset;
        generation = ++commandGeneration_;
    }
    Wake();
    WaitApplied(generation);
}

void Dl06Simulator::WaitApplied(uint64_t generation) {
    if (std::this_thread::get_id() == thread_.get_id()) return;  // the observer; applied next round
    std::unique_lock lock(commandMutex_);
    applied_.wait(lock, [&] { return appliedGeneration_ >= generation || !running_; });
}

AcceptMode Dl06Simulator::CurrentAcceptMode() const {
    std::lock_guard lock(commandMutex_);
    return acceptMode_;
}

void Dl06Simulator::SetRequestObserver(std::function<void(const RequestRecord&)> observer) {
    observer_ = std::move(observer);
}

}  // namespace sim
