// program_window: the real windowed program (Qt view, test window, library)
// at its fastest settings against the DL06 simulator (a child process) on
// 127.0.0.1, driven through its own widgets as a user would: the five
// send-all boxes are clicked, the timer spin box set to 5, Open clicked. After
// a fixed time it prints requests per second, its share of one core and its
// peak RSS (VmHWM), then closes the window.
//
//   xvfb-run -a program_window [--seconds N]
// (scripts/bench.sh program --window runs it so.)
#include <stdlib.h>

#include <QAbstractButton>
#include <QApplication>
#include <QSpinBox>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "bench/bench_support.h"
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

template <class Widget>
Widget* Named(const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = top->findChild<Widget*>(QString::fromLatin1(name))) return found;
    Require(false, std::string("no widget called ") + name);
    return nullptr;
}

struct Measure {
    double cpu = 0;
    int64_t sends = 0;
    bench::Clock::time_point start;
};

}  // namespace

int main(int argc, char** argv) {
    const long seconds = bench::NumberOption(argc, argv, "--seconds", 20);
    Require(seconds > 0, "--seconds must be above 0");
    bench::ServerProcess server;  // before any thread of ours exists
    bench::Library library;

    std::string pattern = (std::filesystem::temp_directory_path() / "brackwater-bench-XXXXXX").string();
    Require(mkdtemp(pattern.data()) != nullptr, "a temporary directory");
    const std::string settingsFile = (std::filesystem::path(pattern) / "Brackwater.ini").string();
    TestData settings;
    settings.TimerValue = 5;
    settings.Server = "127.0.0.1";
    settings.Port = server.Port();
    settings.AfterSendPauseValue = 0;
    settings.SendAllTimerValue = 0;
    window::WriteTestSettings(settings, settingsFile);

    QApplication qt(argc, argv);
    gui::QtWindowHost host;
    CountingConnection* connection = nullptr;
    Measure measure;
    double share = 0;
    double perSecond = 0;

    // Acting as the user once the window shows; measuring after a second of traffic.
    QTimer::singleShot(500, [&] {
        for (const char* box :
             {"RequestInputs", "SendOutputs", "SendControlRelays", "RequestAllCounters", "SendAllCounters"})
            Named<QAbstractButton>(box)->click();
        Named<QSpinBox>("TimerValue")->setValue(5);
        Named<QAbstractButton>("BOpen")->click();
    });
    QTimer::singleShot(1500, [&] {
        Require(connection != nullptr && connection->OpenFlag == 1, "the connection to the simulator opens");
        measure = {bench::ProcessCpuSeconds(), connection->sends, bench::Clock::now()};
    });
    QTimer::singleShot(1500 + static_cast<int>(seconds) * 1000, [&] {
        const double wall = bench::SecondsSince(measure.start);
        share = (bench::ProcessCpuSeconds() - measure.cpu) / wall * 100;
        perSecond = static_cast<double>(connection->sends - measure.sends) / wall;
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
        "program_window: the windowed program at timer period 5, all five send-all boxes ticked, pause 0,\n"
        "against the simulator on 127.0.0.1:%u for %ld s\n",
        static_cast<unsigned>(server.Port()), seconds);
    std::printf("%.1f requests/s, %.2f%% of a core, peak RSS (VmHWM) %ld kB (target < 45 MB)\n", perSecond, share,
                bench::PeakRssKb());
    return 0;
}
