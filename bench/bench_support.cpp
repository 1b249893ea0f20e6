#include "bench/bench_support.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "net/callback/callback_window.h"
#include "platform/command_line.h"
#include "sim/simulator.h"

namespace bench {

std::array<uint8_t, kRequestBytes> ReadRegistersRequest(uint16_t tid) {
    return {static_cast<uint8_t>(tid >> 8),
            static_cast<uint8_t>(tid & 0xFF),
            0,
            0,
            0,
            6,
            1,
            3,
            static_cast<uint8_t>(kFirstRegister >> 8),
            static_cast<uint8_t>(kFirstRegister & 0xFF),
            static_cast<uint8_t>(kRegisterCount >> 8),
            static_cast<uint8_t>(kRegisterCount & 0xFF)};
}

void Require(bool ok, std::string_view what) {
    if (ok) return;
    std::cerr << "benchmark failed: " << what << "\n";
    std::exit(1);
}

namespace {

/// The child: serves until the parent closes `control` (or dies), then stops.
[[noreturn]] void ServeInChild(int control, int report, int maxClients) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    sim::SimulatorOptions options;
    options.maxClients = maxClients;
    sim::Dl06Simulator simulator(options);
    std::string error;
    uint16_t port = simulator.Start(&error) ? simulator.Port() : 0;
    if (port == 0) std::cerr << "simulator: " << error << "\n";
    [[maybe_unused]] auto written = write(report, &port, sizeof port);
    close(report);
    char byte = 0;
    while (read(control, &byte, 1) > 0) {
    }
    simulator.Stop();
    _exit(0);
}

}  // namespace

ServerProcess::ServerProcess(int maxClients) {
    int control[2];
    int report[2];
    Require(pipe(control) == 0 && pipe(report) == 0, "pipes for the server process");
    child_ = fork();
    Require(child_ >= 0, "fork of the server process");
    if (child_ == 0) {
        close(control[1]);
        close(report[0]);
        ServeInChild(control[0], report[1], maxClients);
    }
    close(control[0]);
    close(report[1]);
    control_ = control[1];
    Require(read(report[0], &port_, sizeof port_) == static_cast<ssize_t>(sizeof port_) && port_ != 0,
            "the simulator did not start");
    close(report[0]);
}

ServerProcess::~ServerProcess() {
    if (control_ >= 0) close(control_);
    if (child_ > 0) waitpid(child_, nullptr, 0);
}

double ServerProcess::CpuSeconds() const {
    std::ifstream in("/proc/" + std::to_string(child_) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Fields after the command (which may hold blanks) start after the last ')'.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) utime = std::stoull(field);
        if (index == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

Library::Library() {
    platform::SetCommandLine("brackwater-bench");
    startup_ = std::make_unique<NetStartupType>();
}

Library::~Library() {
    NetCloseCallBackWindow();
    NetWaitForCallBackWindowEnd(std::chrono::seconds(10));
    startup_.reset();
}

long RaiseOpenFileLimit(long wanted) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return -1;
    if (limit.rlim_cur < static_cast<rlim_t>(wanted)) {
        limit.rlim_cur = std::min<rlim_t>(static_cast<rlim_t>(wanted), limit.rlim_max);
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    return static_cast<long>(limit.rlim_cur);
}

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long ProcessContextSwitches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

long PeakRssKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

long NumberOption(int argc, char** argv, std::string_view name, long fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (name != argv[i]) continue;
        long value = 0;
        const std::string_view text = argv[i + 1];
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        Require(error == std::errc{} && end == text.data() + text.size() && value >= 0,
                std::string("bad value for ") + std::string(name));
        return value;
    }
    return fallback;
}

std::string TextOption(int argc, char** argv, std::string_view name, std::string_view fallback) {
    for (int i = 1; i + 1 < argc; ++i)
        if (name == argv[i]) return argv[i + 1];
    return std::string(fallback);
}

}  // namespace bench
