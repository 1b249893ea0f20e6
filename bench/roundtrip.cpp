// roundtrip: one Modbus TCP request at a time, answered by the DL06 simulator
// (libmodbus) on 127.0.0.1, from six clients in the same run:
//   raw        a blocking socket: send 12 bytes, receive 137 (the physical limit here)
//   handoff    the same socket, but the reply is read on a second thread and
//              handed to the sending thread through an eventfd: one thread
//              boundary per reply, the least the library's design needs
//   polled     the hand-off client whose reader waits in epoll_wait and then
//              receives, as a thread serving every socket must: the least a
//              design with one such thread needs
//   libmodbus  modbus_read_registers
//   brackwater the library's connection object: Send, then the reply comes back
//              through the callback thread as packets handed to Process
//   cli        brackwater-cli's session: the same connection object with the
//              window's send log, transmission pass and reply processing
// Each client does its round trips in turn, and the turns are repeated
// (--runs, default 3) so each figure is a median of interleaved runs. Beside
// the time, each client's CPU time and context switches per round trip are
// those of this process (all its threads; the simulator runs in a child).
//
//   roundtrip [--trips N] [--runs N] [--warmup N] [--only raw|handoff|polled|libmodbus|brackwater|cli]
// (--only times one client, for profiling; no ratios are printed then).
// Pin the whole run to one CPU with `taskset -c 0` to calm a noisy machine
// (scripts/bench.sh roundtrip --pin does).
#include <arpa/inet.h>
#include <modbus.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_support.h"
#include "bench/timed_connection.h"
#include "cli/session.h"

namespace {

using bench::Require;

struct Figures {
    double seconds = 0;
    double cpuSeconds = 0;  // this process, all threads (the server runs in a child)
    long switches = 0;      // context switches of this process, all threads
};

/// Runs `trips` round trips of `one` and measures them.
Figures Time(long trips, const std::function<void(uint16_t)>& one) {
    const double cpu = bench::ProcessCpuSeconds();
    const long switches = bench::ProcessContextSwitches();
    const auto start = bench::Clock::now();
    for (long trip = 0; trip < trips; ++trip) one(static_cast<uint16_t>(trip + 1));
    return {bench::SecondsSince(start), bench::ProcessCpuSeconds() - cpu, bench::ProcessContextSwitches() - switches};
}

/// A blocking TCP socket connected to 127.0.0.1:`port`, without Nagle's delay.
int ConnectBlocking(uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    Require(connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0, "raw connect");
    return fd;
}

void SendRequest(int fd, uint16_t tid) {
    const auto request = bench::ReadRegistersRequest(tid);
    Require(send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()), "raw send");
}

/// Receives one whole reply; false when the socket was closed or shut down.
bool ReceiveReply(int fd, uint8_t* buffer, std::size_t room) {
    std::size_t got = 0;
    while (got < bench::kReplyBytes) {
        const ssize_t n = recv(fd, buffer + got, room - got, 0);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

class RawClient {
public:
    explicit RawClient(uint16_t port) : fd_(ConnectBlocking(port)) {}
    ~RawClient() { close(fd_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void RoundTrip(uint16_t tid) {
        SendRequest(fd_, tid);
        Require(ReceiveReply(fd_, reply_, sizeof reply_), "raw receive");
    }

private:
    int fd_;
    uint8_t reply_[bench::kReplyBytes + 64] = {};
};

/// Receives one whole reply as a thread that polls its sockets does: it waits
/// in epoll_wait until the socket is readable, then takes what is there
/// without blocking. False when the socket was closed or shut down.
bool PollReply(int poller, int fd, uint8_t* buffer, std::size_t room) {
    std::size_t got = 0;
    while (got < bench::kReplyBytes) {
        epoll_event event{};
        if (epoll_wait(poller, &event, 1, -1) != 1) return false;
        const ssize_t n = recv(fd, buffer + got, room - got, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN)) return false;
        if (n > 0) got += static_cast<std::size_t>(n);
    }
    return true;
}

/// The raw socket with one hand-off per reply: a reader thread blocks in recv
/// (or, polled, waits in epoll_wait and then receives) and, once the reply is
/// whole, writes an eventfd on which the sending thread waits; the sender then
/// sends the next request itself (no hand-off for the request). One eventfd
/// write wakes the sender; a condition variable would add a mutex hand-over on
/// top.
class HandOffClient {
public:
    HandOffClient(uint16_t port, bool polled)
        : fd_(ConnectBlocking(port)),
          handed_(eventfd(0, EFD_CLOEXEC)),
          poller_(polled ? epoll_create1(EPOLL_CLOEXEC) : -1) {
        Require(handed_ >= 0, "eventfd");
        if (polled) {
            epoll_event event{};
            event.events = EPOLLIN;
            event.data.fd = fd_;
            Require(poller_ >= 0 && epoll_ctl(poller_, EPOLL_CTL_ADD, fd_, &event) == 0, "epoll");
        }
        reader_ = std::thread([this] { ReadReplies(); });
    }
    ~HandOffClient() {
        shutdown(fd_, SHUT_RDWR);  // the reader's recv returns 0
        reader_.join();
        if (poller_ >= 0) close(poller_);
        close(handed_);
        close(fd_);
    }
    HandOffClient(const HandOffClient&) = delete;
    HandOffClient& operator=(const HandOffClient&) = delete;

    void RoundTrip(uint16_t tid) {
        SendRequest(fd_, tid);
        uint64_t count = 0;
        Require(read(handed_, &count, sizeof count) == static_cast<ssize_t>(sizeof count), "hand-off wait");
    }

private:
    /// Reader thread: every whole reply is one eventfd write.
    void ReadReplies() {
        while (poller_ >= 0 ? PollReply(poller_, fd_, reply_, sizeof reply_)
                            : ReceiveReply(fd_, reply_, sizeof reply_)) {
            const uint64_t one = 1;
            Require(write(handed_, &one, sizeof one) == static_cast<ssize_t>(sizeof one), "hand-off post");
        }
    }

    int fd_;
    int handed_;
    int poller_;                                   // -1: the reader blocks in recv
    uint8_t reply_[bench::kReplyBytes + 64] = {};  // reader thread only
    std::thread reader_;
};

class LibmodbusClient {
public:
    explicit LibmodbusClient(uint16_t port) : context_(modbus_new_tcp("127.0.0.1", port)) {
        Require(context_ != nullptr && modbus_connect(context_) == 0, "libmodbus connect");
    }
    ~LibmodbusClient() {
        modbus_close(context_);
        modbus_free(context_);
    }
    LibmodbusClient(const LibmodbusClient&) = delete;
    LibmodbusClient& operator=(const LibmodbusClient&) = delete;

    void RoundTrip(uint16_t) {
        Require(modbus_read_registers(context_, bench::kFirstRegister, bench::kRegisterCount, registers_) ==
                    bench::kRegisterCount,
                "libmodbus read");
    }

private:
    modbus_t* context_;
    uint16_t registers_[bench::kRegisterCount] = {};
};

class LibraryClient {
public:
    explicit LibraryClient(uint16_t port) {
        connection_.StartOpen("127.0.0.1", port);
        Require(Pump([this] { return connection_.Opened() || connection_.Failed(); }) && connection_.Opened(),
                "brackwater open");
    }
    ~LibraryClient() { connection_.Abort(); }
    LibraryClient(const LibraryClient&) = delete;
    LibraryClient& operator=(const LibraryClient&) = delete;

    void RoundTrip(uint16_t tid) {
        connection_.SendRequest(tid);
        Require(!connection_.Failed() && Pump([this] { return connection_.ReplyComplete() || connection_.Failed(); }) &&
                    !connection_.Failed(),
                "brackwater round trip");
    }

private:
    template <class Done>
    bool Pump(Done done) {
        return bench::PumpUntil([this](int event) { connection_.TakeEvent(event); }, done);
    }
    bench::TimedConnection connection_;
};

class CliClient {
public:
    explicit CliClient(uint16_t port) : session_({"127.0.0.1", port, 5000, 0}) {
        std::string error;
        Require(session_.Connect(error), "brackwater-cli open");
    }

    void RoundTrip(uint16_t) {
        std::string error;
        Require(session_.Exchange(read_, answers_, error) && answers_[0].kind == cli::Answer::Kind::Reply,
                "brackwater-cli round trip");
    }

private:
    cli::Session session_;
    const std::vector<cli::Request> read_{
        {cli::Space::Registers, 3, bench::kFirstRegister, bench::kRegisterCount, {}, "V1000..V1077"}};
    std::vector<cli::Answer> answers_;
};

// The rows, in the order the clients take their turns.
constexpr std::size_t kRaw = 0, kHandOff = 1, kPolled = 2, kLibmodbus = 3, kBrackwater = 4, kCli = 5;

struct Row {
    const char* name;
    std::function<void(uint16_t)> roundTrip;
    std::vector<double> microseconds;
    std::vector<double> cpuMicroseconds;
    std::vector<double> switches;
};

int AllowedCpus() {
    cpu_set_t set;
    CPU_ZERO(&set);
    return sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : -1;
}

void Print(const std::vector<Row>& rows, long trips, long runs, uint16_t port) {
    std::printf(
        "roundtrip: read 64 registers at 512 (12-byte request, 137-byte reply) from the simulator on "
        "127.0.0.1:%u\n",
        static_cast<unsigned>(port));
    std::printf("%ld round trips per client per run, %ld interleaved runs; CPUs online %u, allowed to this run %d\n\n",
                trips, runs, std::thread::hardware_concurrency(), AllowedCpus());
    std::printf("%-11s %-28s %13s %12s %15s %15s\n", "client", "us per round trip, each run", "median us/rt",
                "median rt/s", "client CPU us/rt", "switches/rt");
    for (const Row& row : rows) {
        if (row.microseconds.empty()) continue;
        std::string each;
        for (double us : row.microseconds) each += (each.empty() ? "" : " ") + std::to_string(us).substr(0, 6);
        const double median = bench::Median(row.microseconds);
        std::printf("%-11s %-28s %13.2f %12.0f %16.2f %15.2f\n", row.name, each.c_str(), median, 1e6 / median,
                    bench::Median(row.cpuMicroseconds), bench::Median(row.switches));
    }
    for (const Row& row : rows)
        if (row.microseconds.empty()) return;
    auto median = [&rows](std::size_t index) { return bench::Median(rows[index].microseconds); };
    const double ours = median(kBrackwater);
    // Ratios of round trips per second: above 1 means ours is faster.
    std::printf("\nbrackwater / raw+hand-off = %.2fx (target >= 0.95)\n", median(kHandOff) / ours);
    std::printf("brackwater / polled+hand-off = %.2fx (the poller's own cost taken out)\n", median(kPolled) / ours);
    std::printf("brackwater / libmodbus    = %.2fx (target >= 1.0)\n", median(kLibmodbus) / ours);
    std::printf("brackwater / raw          = %.2fx\n", median(kRaw) / ours);
    std::printf("context switches per round trip, brackwater / raw = %.2fx (target <= 2.2)\n",
                bench::Median(rows[kBrackwater].switches) / bench::Median(rows[kRaw].switches));
    std::printf("cli / brackwater          = %.2fx (target >= 1.0 within noise: the command line costs no more)\n",
                ours / median(kCli));
}

}  // namespace

int main(int argc, char** argv) {
    const long trips = bench::NumberOption(argc, argv, "--trips", 20000);
    const long runs = bench::NumberOption(argc, argv, "--runs", 3);
    const long warmup = bench::NumberOption(argc, argv, "--warmup", 500);
    Require(trips > 0 && runs > 0, "--trips and --runs must be above 0");

    bench::ServerProcess server;  // before any thread of ours exists
    bench::Library library;
    RawClient raw(server.Port());
    HandOffClient handOff(server.Port(), false);
    HandOffClient polled(server.Port(), true);
    LibmodbusClient libmodbus(server.Port());
    LibraryClient ours(server.Port());
    CliClient cli(server.Port());

    std::vector<Row> rows(6);
    rows[kRaw] = {"raw", [&](uint16_t tid) { raw.RoundTrip(tid); }, {}, {}, {}};
    rows[kHandOff] = {"handoff", [&](uint16_t tid) { handOff.RoundTrip(tid); }, {}, {}, {}};
    rows[kPolled] = {"polled", [&](uint16_t tid) { polled.RoundTrip(tid); }, {}, {}, {}};
    rows[kLibmodbus] = {"libmodbus", [&](uint16_t tid) { libmodbus.RoundTrip(tid); }, {}, {}, {}};
    rows[kBrackwater] = {"brackwater", [&](uint16_t tid) { ours.RoundTrip(tid); }, {}, {}, {}};
    rows[kCli] = {"cli", [&](uint16_t tid) { cli.RoundTrip(tid); }, {}, {}, {}};
    const std::string only = bench::TextOption(argc, argv, "--only", "");
    for (long run = 0; run < runs; ++run) {
        for (Row& row : rows) {
            if (!only.empty() && only != row.name) continue;
            Time(warmup, row.roundTrip);
            const Figures figures = Time(trips, row.roundTrip);
            row.microseconds.push_back(figures.seconds * 1e6 / static_cast<double>(trips));
            row.cpuMicroseconds.push_back(figures.cpuSeconds * 1e6 / static_cast<double>(trips));
            row.switches.push_back(static_cast<double>(figures.switches) / static_cast<double>(trips));
        }
    }
    Print(rows, trips, runs, server.Port());
    return 0;
}
