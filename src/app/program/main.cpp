// brackwater: the program. Takes the command line, brings up Qt, and runs the
// main procedure with the test window shown through the Qt view. SIGTERM,
// SIGINT and SIGHUP close the window as its close box does; SIGPIPE is ignored.
//
// Program options (besides the network library's switches):
//   --simulator[=PORT]  runs the DL06 simulator in-process on 127.0.0.1:PORT
//                       (default 5020) and points the window at it for this run.
//   --capture FILE      writes the connection's traffic to FILE as a pcap file.
// Options of the view itself (not seen by the window's logic):
//   --screenshot FILE   saves the window as a PNG shortly after it opens, then closes it.
//   --screenshot-running FILE
//                       ticks Request Inputs and Request All Counters, asks for
//                       V-memory word 30000 (off the map: exception 02), presses Open,
//                       saves FILE after 40 timer ticks (raw list in front) and
//                       FILE-formated after 3 more (Counters and formatted list in
//                       front), then closes the window. With --simulator it shows
//                       the window at work, as in the README.
#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/program.h"
#include "app/simulator_option.h"
#include "app/stop_signals.h"
#include "app/window_aids.h"
#include "capture/capturing_connection.h"
#include "gui/qt_window_host.h"
#include "gui/resources.h"
#include "gui/screenshot_tour.h"
#include "net/callback/callback_window.h"
#include "netcore/net_startup.h"
#include "platform/command_line.h"
#include "platform/threads.h"
#include "window/events.h"
#include "window/test_window.h"

namespace {

/// The file after `option`, or "".
QString FileAfter(std::string_view option, int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string_view(argv[i]) == option) return QString::fromLocal8Bit(argv[i + 1]);
    return {};
}

/// A stop signal closes the window as its close box does: a message box that
/// holds the window up is dismissed first, then the close reaches the window
/// through its queue, which it reads even before it has opened.
void WatchStopSignals(int readEnd, QObject& owner) {
    if (readEnd < 0) return;
    auto* notifier = new QSocketNotifier(readEnd, QSocketNotifier::Read, &owner);
    QObject::connect(notifier, &QSocketNotifier::activated, &owner, [readEnd] {
        if (!app::TakeStopSignal(readEnd)) return;
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) box->reject();
        platform::PostEvent(window::kCloseWindow);
    });
}

}  // namespace

int main(int argc, char** argv) {
    // First of all, so a stop signal at any later moment takes the window's way out.
    const int stopSignals = app::CatchStopSignals();
    // The simulator comes first, so a bad option or a taken port ends the
    // program before anything else has started.
    const app::SimulatorChoice simulatorChoice = app::ParseSimulatorOption({argv + 1, argv + argc});
    if (!simulatorChoice.error.empty()) {
        std::cerr << simulatorChoice.error << std::endl;
        return 2;
    }
    app::EmbeddedSimulator simulator;
    if (simulatorChoice.wanted) {
        std::string message;
        const bool started = simulator.Start(simulatorChoice, message);
        (started ? std::cout : std::cerr) << message << std::endl;
        if (!started) return 1;
    }

    std::unique_ptr<capture::TcpCapture> capture;
    if (const QString file = FileAfter("--capture", argc, argv); !file.isEmpty()) {
        std::string error;
        capture = capture::TcpCapture::Create(file.toLocal8Bit().toStdString(), error);
        if (!capture) {
            std::cerr << "brackwater: " << error << std::endl;
            return 2;
        }
    }

    platform::SetCommandLine(argc, argv);
    // The library starts first (it reads the command line) and shuts down last.
    NetStartupType NetStartup;
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brackwater"));
    QApplication::setDesktopFileName(QStringLiteral("brackwater"));

    gui::QtWindowHost host;
    WatchStopSignals(stopSignals, qt);
    if (const QString file = FileAfter("--screenshot", argc, argv); !file.isEmpty()) host.ScreenshotThenClose(file);
    std::unique_ptr<gui::ScreenshotTour> tour;
    if (const QString file = FileAfter("--screenshot-running", argc, argv); !file.isEmpty())
        tour = std::make_unique<gui::ScreenshotTour>(host, file);

    app::ProgramParts parts;
    parts.setDefaultIcon = [](std::string_view icon) { QApplication::setWindowIcon(gui::IconFor(icon)); };
    parts.runWindow = [&host, &simulator, &capture] {
        app::WindowAids aids;
        window::TestWindowParts windowParts;
        aids.Install(windowParts);
        if (capture) {
            windowParts.connection = [&capture](TestData& data, TestWindowServices& window) {
                return capture::MakeCapturingConnection(data, window, *capture);
            };
        }
        if (simulator.Running()) windowParts.serverOverride = simulator.Server();
        window::Test(host, std::move(windowParts));
    };
    parts.closeCallBackWindow = [] { NetCloseCallBackWindow(); };
    app::RunProgram(parts);
    // The window has closed its connection and the callback window is gone.
    simulator.Stop();
    return 0;
}
