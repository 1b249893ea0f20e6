// roundtrip: one Modbus TCP request at a time, answered by the DL06 simulator
// (libmodbus) on 127.0.0.1, from three clients in the same run:
//   raw        a blocking socket: send 12 bytes, receive 137 (the physical limit here)
//   libmodbus  modbus_read_registers
//   brackwater the library's connection object: Send, then the reply comes back
//              through the callback thread as packets handed to Process
//   cli        brackwater-cli's session: the same connection object with the
//              window's send log, transmission pass and reply processing
// Each client does its round trips in turn, and the turns are repeated
// (--runs, default 3) so each figure is a median of interleaved runs.
//
//   roundtrip [--trips N] [--runs N] [--warmup N] [--only raw|libmodbus|brackwater|cli]
// (--only times one client, for profiling; no ratios are printed then).
// Pin the whole run to one CPU with `taskset -c 0` to calm a noisy machine
// (scripts/bench.sh roundtrip --pin does).
#include <arpa/inet.h>
#include <modbus.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/socket.h>
#include <unistd.h>

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
};

/// Runs `trips` round trips of `one` and measures them.
Figures Time(long trips, const std::function<void(uint16_t)>& one) {
    const double cpu = bench::ProcessCpuSeconds();
    const auto start = bench::Clock::now();
    for (long trip = 0; trip < trips; ++trip) one(static_cast<uint16_t>(trip + 1));
    return {bench::SecondsSince(start), bench::ProcessCpuSeconds() - cpu};
}

class RawClient {
public:
    explicit RawClient(uint16_t port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int on = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        Require(connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0, "raw connect");
    }
    ~RawClient() { close(fd_); }
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    void RoundTrip(uint16_t tid) {
        const auto request = bench::ReadRegistersRequest(tid);
        Require(send(fd_, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size()),
                "raw send");
        std::size_t got = 0;
        while (got < bench::kReplyBytes) {
            const ssize_t n = recv(fd_, reply_ + got, sizeof reply_ - got, 0);
            Require(n > 0, "raw receive");
            got += static_cast<std::size_t>(n);
        }
    }

private:
    int fd_;
    uint8_t reply_[bench::kReplyBytes + 64] = {};
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

struct Row {
    const char* name;
    std::function<void(uint16_t)> roundTrip;
    std::vector<double> microseconds;
    std::vector<double> cpuMicroseconds;
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
    std::printf("%-11s %-28s %14s %12s %16s\n", "client", "us per round trip, each run", "median us/rt", "median rt/s",
                "client CPU us/rt");
    for (const Row& row : rows) {
        if (row.microseconds.empty()) continue;
        std::string each;
        for (double us : row.microseconds) each += (each.empty() ? "" : " ") + std::to_string(us).substr(0, 6);
        const double median = bench::Median(row.microseconds);
        std::printf("%-11s %-28s %14.2f %12.0f %16.2f\n", row.name, each.c_str(), median, 1e6 / median,
                    bench::Median(row.cpuMicroseconds));
    }
    for (const Row& row : rows)
        if (row.microseconds.empty()) return;
    const double raw = bench::Median(rows[0].microseconds);
    const double libmodbus = bench::Median(rows[1].microseconds);
    const double ours = bench::Median(rows[2].microseconds);
    const double cli = bench::Median(rows[3].microseconds);
    // Ratios of round trips per second: above 1 means ours is faster.
    std::printf("\nbrackwater / libmodbus = %.2fx (target >= 1.0)\n", libmodbus / ours);
    std::printf("brackwater / raw       = %.2fx (target >= 0.7)\n", raw / ours);
    std::printf("cli / brackwater       = %.2fx (target >= 1.0 within noise: the command line costs no more)\n",
                ours / cli);
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
    LibmodbusClient libmodbus(server.Port());
    LibraryClient ours(server.Port());
    CliClient cli(server.Port());

    std::vector<Row> rows = {
        {"raw", [&](uint16_t tid) { raw.RoundTrip(tid); }, {}, {}},
        {"libmodbus", [&](uint16_t tid) { libmodbus.RoundTrip(tid); }, {}, {}},
        {"brackwater", [&](uint16_t tid) { ours.RoundTrip(tid); }, {}, {}},
        {"cli", [&](uint16_t tid) { cli.RoundTrip(tid); }, {}, {}},
    };
    const std::string only = bench::TextOption(argc, argv, "--only", "");
    for (long run = 0; run < runs; ++run) {
        for (Row& row : rows) {
            if (!only.empty() && only != row.name) continue;
            Time(warmup, row.roundTrip);
            const Figures figures = Time(trips, row.roundTrip);
            row.microseconds.push_back(figures.seconds * 1e6 / static_cast<double>(trips));
            row.cpuMicroseconds.push_back(figures.cpuSeconds * 1e6 / static_cast<double>(trips));
        }
    }
    Print(rows, trips, runs, server.Port());
    return 0;
}
