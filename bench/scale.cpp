// scale: 1, 10, 100 and 1000 connection objects open at once to the DL06
// simulator on 127.0.0.1, each keeping one register read in flight: when its
// reply is complete it sends the next, until every connection has done its
// share. Prints, for each size, the cost per round trip: this process's CPU
// time (the window thread and the library's callback thread; the simulator
// runs in a child process) and the wall time, each divided by the round trips.
// The library allows 1000 client sockets at a time (one message number each).
//
//   scale [--trips N] [--runs N] [--sizes 1,10,100,1000]
// --trips: round trips per size in all (default 20000, at least 20 per
// connection); --runs: repetitions of the whole series, figures are medians.
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_support.h"
#include "bench/timed_connection.h"

namespace {

using bench::Require;

struct Sample {
    double cpuMicroseconds = 0;
    double wallMicroseconds = 0;
};

/// `count` connections, opened together, each owned by this (the window) thread.
class Fleet {
public:
    static constexpr std::size_t kOpenBatch = 8;

    Fleet(std::size_t count, uint16_t port) {
        for (std::size_t i = 0; i < count; ++i) {
            connections_.push_back(std::make_unique<bench::TimedConnection>());
            byEvent_[connections_.back()->Connection_.NotifyEvent] = connections_.back().get();
        }
        // A few at a time, each proven by one round trip before the next few:
        // the server's listen backlog is short, and a handshake it had to drop
        // would only be retried seconds later.
        for (std::size_t first = 0; first < count; first += kOpenBatch) {
            const std::size_t last = std::min(count, first + kOpenBatch);
            for (std::size_t i = first; i < last; ++i) connections_[i]->StartOpen("127.0.0.1", port);
            Require(Pump([&] { return Opened() == last || AnyFailed(); }) && !AnyFailed(),
                    "opening " + std::to_string(count) + " connections");
            std::size_t answered = first;
            for (std::size_t i = first; i < last; ++i) connections_[i]->SendRequest(1);
            Require(Pump([&] { return answered == last || AnyFailed(); },
                         [&](bench::TimedConnection& c) { answered += c.ReplyComplete() ? 1u : 0u; }) &&
                        !AnyFailed(),
                    "a first round trip on each new connection");
        }
    }
    ~Fleet() {
        for (auto& connection : connections_) {
            connection->Abort();
            connection->Kill();  // gives its event numbers back for the next fleet
        }
    }
    Fleet(const Fleet&) = delete;
    Fleet& operator=(const Fleet&) = delete;

    /// The first `busy` connections do `each` round trips, one in flight at a
    /// time; the others stay open and idle.
    Sample Run(long each, std::size_t busy) {
        std::unordered_map<bench::TimedConnection*, long> left;
        for (std::size_t i = 0; i < busy; ++i) left[connections_[i].get()] = each;
        long unfinished = static_cast<long>(busy);
        const double cpu = bench::ProcessCpuSeconds();
        const auto start = bench::Clock::now();
        uint16_t tid = 0;
        for (std::size_t i = 0; i < busy; ++i) connections_[i]->SendRequest(++tid);
        const bool done = Pump([&] { return unfinished == 0 || AnyFailed(); },
                               [&](bench::TimedConnection& c) {
                                   if (!c.ReplyComplete() || !left.contains(&c)) return;
                                   if (--left[&c] == 0) {
                                       --unfinished;
                                       return;
                                   }
                                   c.SendRequest(++tid);
                               });
        const double wall = bench::SecondsSince(start);
        Require(done && !AnyFailed(), "round trips on " + std::to_string(connections_.size()) + " connections");
        const double trips = static_cast<double>(each) * static_cast<double>(busy);
        return {(bench::ProcessCpuSeconds() - cpu) * 1e6 / trips, wall * 1e6 / trips};
    }

private:
    template <class Done, class AfterEvent>
    bool Pump(Done done, AfterEvent afterEvent) {
        return bench::PumpUntil(
            [&](int event) {
                auto found = byEvent_.find(event);
                if (found == byEvent_.end()) return;
                found->second->TakeEvent(event);
                afterEvent(*found->second);
            },
            done);
    }
    template <class Done>
    bool Pump(Done done) {
        return Pump(done, [](bench::TimedConnection&) {});
    }
    std::size_t Opened() const {
        std::size_t opened = 0;
        for (const auto& connection : connections_) opened += connection->Opened() ? 1u : 0u;
        return opened;
    }
    static bool AnyFailed() { return bench::AnyConnectionFailed(); }

    std::vector<std::unique_ptr<bench::TimedConnection>> connections_;
    std::unordered_map<int32_t, bench::TimedConnection*> byEvent_;
};

std::vector<long> Sizes(const std::string& text) {
    std::vector<long> sizes;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) sizes.push_back(std::stol(item));
    for (long size : sizes) Require(size >= 1 && size <= 1000, "sizes run from 1 to 1000");
    return sizes;
}

void PrintTable(const char* title, const std::vector<long>& sizes, std::map<long, std::vector<Sample>>& samples) {
    std::printf("\n%s\n%12s %20s %20s %18s\n", title, "connections", "CPU us/round trip", "wall us/round trip",
                "CPU vs first size");
    double first = 0;
    for (long size : sizes) {
        std::vector<double> cpu, wall;
        for (const Sample& sample : samples[size]) {
            cpu.push_back(sample.cpuMicroseconds);
            wall.push_back(sample.wallMicroseconds);
        }
        const double medianCpu = bench::Median(cpu);
        if (first == 0) first = medianCpu;
        std::printf("%12ld %20.2f %20.2f %+17.0f%%\n", size, medianCpu, bench::Median(wall),
                    (medianCpu / first - 1) * 100);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const long trips = bench::NumberOption(argc, argv, "--trips", 20000);
    const long runs = bench::NumberOption(argc, argv, "--runs", 3);
    const std::vector<long> sizes = Sizes(bench::TextOption(argc, argv, "--sizes", "1,10,100,1000"));
    Require(trips > 0 && runs > 0, "--trips and --runs must be above 0");
    // Both ends of 1000 connections, the library's own descriptors and some room.
    const long limit = bench::RaiseOpenFileLimit(2 * 1000 + 100);
    Require(limit >= 1000 + 100, "the open-file limit cannot be raised far enough");

    bench::ServerProcess server(1100);  // before any thread of ours exists
    bench::Library library;
    std::map<long, std::vector<Sample>> allBusy;
    std::map<long, std::vector<Sample>> oneBusy;
    for (long run = 0; run < runs; ++run) {
        for (long size : sizes) {
            const auto count = static_cast<std::size_t>(size);
            Fleet fleet(count, server.Port());
            const long each = std::max(trips / size, 20L);
            fleet.Run(std::max(each / 10, 2L), count);  // warm-up
            allBusy[size].push_back(fleet.Run(each, count));
            oneBusy[size].push_back(fleet.Run(std::max(trips / 4, 20L), 1));
        }
    }

    std::printf(
        "scale: connections open at once to the simulator on 127.0.0.1:%u; register reads (12-byte request,\n"
        "137-byte reply), one in flight per busy connection; about %ld round trips per size when all are busy,\n"
        "%ld when one is; %ld runs, medians; open-file limit %ld\n",
        static_cast<unsigned>(server.Port()), trips, std::max(trips / 4, 20L), runs, limit);
    PrintTable("every connection busy", sizes, allBusy);
    PrintTable("one connection busy, the others open and idle", sizes, oneBusy);
    std::printf("\ntarget: the cost per round trip grows by no more than 20%% from 1 to 1000 connections\n");
    return 0;
}
