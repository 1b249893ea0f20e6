// program: the whole program's logic without a screen, at its fastest
// settings, against the DL06 simulator (in a child process) on 127.0.0.1 for
// a fixed time: the test window with its real connection object and the
// network library, timer period 5, all five send-all boxes ticked, pause 0
// and send-all period 0 (a pass on every tick). The window's timer runs from
// the system clock as a toolkit's would. Prints requests per second, CPU
// seconds per 1000 requests, the share of one core and the peak RSS of this
// process (the window thread and the library's callback thread).
//
//   program [--seconds N] [--runs N]
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/clocked_host.h"
#include "bench/fastest_settings.h"
#include "modbus/test_connection.h"
#include "window/test_settings.h"
#include "window/test_window.h"

namespace {

using bench::Require;

/// The window's connection, counting what it sends and what comes back.
class CountingConnection : public MyC {
public:
    using MyC::MyC;
    void Send() override {
        ++sends;
        MyC::Send();
    }
    void Process() override {
        if (Packet.PacketType == NET::SimplePartialDataPacket) ++dataPackets;
        MyC::Process();
    }
    int64_t sends = 0;
    int64_t dataPackets = 0;
};

struct Figures {
    double seconds = 0;
    double cpuSeconds = 0;
    int64_t requests = 0;
    int64_t replies = 0;
    int64_t ticks = 0;
};

class SettingsDirectory {
public:
    SettingsDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "brackwater-bench-XXXXXX").string();
        Require(mkdtemp(pattern.data()) != nullptr, "a temporary directory");
        path_ = pattern;
    }
    ~SettingsDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    SettingsDirectory(const SettingsDirectory&) = delete;
    SettingsDirectory& operator=(const SettingsDirectory&) = delete;
    std::string File() const { return (path_ / "Brackwater.ini").string(); }

private:
    std::filesystem::path path_;
};

/// One run: the window comes up, is set to its fastest, runs `seconds`, closes.
Figures RunOnce(uint16_t port, double seconds, const std::string& settingsFile) {
    bench::WriteFastestSettings(port, settingsFile);

    bench::ClockedHost host;
    CountingConnection* connection = nullptr;
    window::TestWindowParts parts;
    parts.settingsFile = settingsFile;
    parts.connection = [&connection](TestData& data, TestWindowServices& services) {
        auto made = std::make_unique<CountingConnection>(data, services);
        connection = made.get();
        return made;
    };
    window::TestWindow window(host, std::move(parts));
    Require(host.Start(window.ThisWindow) == 0, "the window's Init");
    for (const char* box : bench::kSendAllBoxes) host.Tick(box);
    host.Enter("TimerValue", "5");
    host.Press("BOpen");
    // The connection opens on the first ticks; measuring starts once it is up.
    host.RunUntil(bench::Clock::now() + std::chrono::seconds(1));
    Require(connection->OpenFlag == 1, "the connection to the simulator opens");

    const double cpu = bench::ProcessCpuSeconds();
    const int64_t sends = connection->sends;
    const int64_t replies = connection->dataPackets;
    const int64_t ticks = host.Ticks();
    const auto start = bench::Clock::now();
    host.RunUntil(start + std::chrono::duration_cast<bench::Clock::duration>(std::chrono::duration<double>(seconds)));
    Figures figures{bench::SecondsSince(start), bench::ProcessCpuSeconds() - cpu, connection->sends - sends,
                    connection->dataPackets - replies, host.Ticks() - ticks};
    host.Close();
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const long seconds = bench::NumberOption(argc, argv, "--seconds", 20);
    const long runs = bench::NumberOption(argc, argv, "--runs", 3);
    Require(seconds > 0 && runs > 0, "--seconds and --runs must be above 0");

    bench::ServerProcess server;  // before any thread of ours exists
    bench::Library library;
    SettingsDirectory directory;
    std::vector<double> perSecond, cpuPerThousand, coreShare;
    std::printf(
        "program: the test window at timer period 5, all five send-all boxes ticked, pause 0, against the\n"
        "simulator on 127.0.0.1:%u, %ld s per run\n\n",
        static_cast<unsigned>(server.Port()), seconds);
    std::printf("%4s %10s %10s %10s %14s %22s %12s\n", "run", "ticks/s", "requests/s", "packets in/s", "CPU s",
                "CPU s per 1000 requests", "% of a core");
    for (long run = 1; run <= runs; ++run) {
        const Figures f = RunOnce(server.Port(), static_cast<double>(seconds), directory.File());
        Require(f.requests > 0, "requests went out");
        const double requests = static_cast<double>(f.requests);
        perSecond.push_back(requests / f.seconds);
        cpuPerThousand.push_back(f.cpuSeconds * 1000 / requests);
        coreShare.push_back(f.cpuSeconds / f.seconds * 100);
        std::printf("%4ld %10.1f %10.1f %10.1f %14.3f %22.4f %11.2f%%\n", run, static_cast<double>(f.ticks) / f.seconds,
                    perSecond.back(), static_cast<double>(f.replies) / f.seconds, f.cpuSeconds, cpuPerThousand.back(),
                    coreShare.back());
    }
    std::printf("\nmedians: %.1f requests/s, %.4f CPU s per 1000 requests, %.2f%% of a core (target < 2%%)\n",
                bench::Median(perSecond), bench::Median(cpuPerThousand), bench::Median(coreShare));
    std::printf("peak RSS of this process (VmHWM): %ld kB\n", bench::PeakRssKb());
    return 0;
}
