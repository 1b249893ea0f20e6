// program_window: the real windowed program (Qt view, test window, library)
// at its fastest settings against the DL06 simulator (a child process) on
// 127.0.0.1, driven through its own widgets as a user would: the five
// send-all boxes are clicked, the timer spin box set to 5, Open clicked. After
// a fixed time it prints requests per second, its share of one core, its
// peak RSS (VmHWM) and the window thread's longest stall, then closes the
// window.
//
// --mode idle opens the connection with nothing ticked (only the timer runs);
// --mode bare is the yardstick for it: a bare Qt Widgets window whose one
// timer has the same period and does nothing.
//
//   xvfb-run -a program_window [--seconds N] [--mode busy|idle|bare]
// (scripts/bench.sh program --window runs all three, three times each.)
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QSpinBox>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "bench/fastest_settings.h"
#include "bench/loop_stall.h"
#include "bench/named_widget.h"
#include "gui/qt_window_host.h"
#include "modbus/test_connection.h"
#include "window/test_settings.h"
#include "window/test_window.h"

namespace {

using bench::Require;

class CountingConnection : public MyC {
public:
    using MyC::MyC;
    void Send() override {
        ++sends;
        MyC::Send();
    }
    int64_t sends = 0;
};

using bench::Named;

struct Measure {
    double cpu = 0;
    int64_t sends = 0;
    bench::Clock::time_point start;
};

constexpr int kStartMs = 1500;  // the window is up and the connection open by then
constexpr int kPeriodMs = 50;   // timer period 5 hundredths

void Report(double share, double stallMs) {
    std::printf("result cpu=%.3f rss=%ld stall=%.1f\n", share, bench::PeakRssKb(), stallMs);
}

// A window with one timer that does nothing, measured as the program is.
int RunBare(int argc, char** argv, long seconds) {
    QApplication qt(argc, argv);
    QWidget window;
    window.resize(1165, 634);
    window.show();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [] {});
    timer.start(kPeriodMs);
    bench::LoopStall stall;
    Measure measure;
    QTimer::singleShot(kStartMs, [&] {
        stall.Restart();
        measure = {bench::ProcessCpuSeconds(), 0, bench::Clock::now()};
    });
    QTimer::singleShot(kStartMs + static_cast<int>(seconds) * 1000, [&] {
        const double share = (bench::ProcessCpuSeconds() - measure.cpu) / bench::SecondsSince(measure.start) * 100;
        std::printf("program_window --mode bare: a Qt Widgets window with one %d ms timer, %ld s\n", kPeriodMs,
                    seconds);
        std::printf("%.2f%% of a core, longest stall of the window thread %.1f ms\n", share, stall.Longest());
        Report(share, stall.Longest());
        qt.quit();
    });
    return qt.exec();
}

}  // namespace

int main(int argc, char** argv) {
    const long seconds = bench::NumberOption(argc, argv, "--seconds", 20);
    Require(seconds > 0, "--seconds must be above 0");
    const std::string mode = bench::TextOption(argc, argv, "--mode", "busy");
    Require(mode == "busy" || mode == "idle" || mode == "bare", "--mode is busy, idle or bare");
    if (mode == "bare") return RunBare(argc, argv, seconds);
    const bool busy = mode == "busy";
    bench::ServerProcess server;  // before any thread of ours exists
    bench::Library library;

    std::string pattern = (std::filesystem::temp_directory_path() / "brackwater-bench-XXXXXX").string();
    Require(mkdtemp(pattern.data()) != nullptr, "a temporary directory");
    const std::string settingsFile = (std::filesystem::path(pattern) / "Brackwater.ini").string();
    bench::WriteFastestSettings(server.Port(), settingsFile);

    QApplication qt(argc, argv);
    gui::QtWindowHost host;
    CountingConnection* connection = nullptr;
    Measure measure;
    double share = 0;
    double perSecond = 0;
    double longestStall = 0;
    bench::LoopStall stall;

    // Acting as the user once the window shows; measuring after a second of traffic.
    QTimer::singleShot(500, [&] {
        for (const char* box : bench::kSendAllBoxes)
            if (busy) Named<QAbstractButton>(box)->click();
        Named<QSpinBox>("TimerValue")->setValue(5);
        Named<QAbstractButton>("BOpen")->click();
    });
    QTimer::singleShot(kStartMs, [&] {
        Require(connection != nullptr && connection->OpenFlag == 1, "the connection to the simulator opens");
        stall.Restart();
        measure = {bench::ProcessCpuSeconds(), connection->sends, bench::Clock::now()};
    });
    QTimer::singleShot(kStartMs + static_cast<int>(seconds) * 1000, [&] {
        const double wall = bench::SecondsSince(measure.start);
        share = (bench::ProcessCpuSeconds() - measure.cpu) / wall * 100;
        perSecond = static_cast<double>(connection->sends - measure.sends) / wall;
        longestStall = stall.Longest();
        Named<QAbstractButton>("BExit")->click();
    });

    window::TestWindowParts parts;
    parts.settingsFile = settingsFile;
    parts.connection = [&connection](TestData& data, TestWindowServices& services) {
        auto made = std::make_unique<CountingConnection>(data, services);
        connection = made.get();
        return made;
    };
    window::Test(host, std::move(parts));
    std::filesystem::remove_all(pattern);

    std::printf(
        "program_window --mode %s: the windowed program at timer period 5, %s, pause 0,\n"
        "against the simulator on 127.0.0.1:%u for %ld s\n",
        mode.c_str(), busy ? "all five send-all boxes ticked" : "connected, nothing ticked",
        static_cast<unsigned>(server.Port()), seconds);
    std::printf(
        "%.1f requests/s, %.2f%% of a core (target <= 2%%), peak RSS (VmHWM) %ld kB (target <= 45 MB),\n"
        "longest stall of the window thread %.1f ms (target <= 50 ms)\n",
        perSecond, share, bench::PeakRssKb(), longestStall);
    Report(share, longestStall);
    return 0;
}
