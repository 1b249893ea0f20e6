// brackwater: the program. Takes the command line, brings up Qt, and runs the
// main procedure with the test window shown through the Qt view.
//
// Program options (besides the network library's switches):
//   --simulator[=PORT]  runs the DL06 simulator in-process on 127.0.0.1:PORT
//                       (default 5020) and points the window at it for this run.
// Options of the view itself (not seen by the window's logic):
//   --screenshot FILE   saves the window as a PNG shortly after it opens, then closes it.
#include <QApplication>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/program.h"
#include "app/simulator_option.h"
#include "app/window_aids.h"
#include "gui/qt_window_host.h"
#include "gui/resources.h"
#include "net/callback_window.h"
#include "netcore/net_startup.h"
#include "platform/command_line.h"
#include "window/test_window.h"

namespace {

/// The file after "--screenshot", or "".
QString ScreenshotFile(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string_view(argv[i]) == "--screenshot") return QString::fromLocal8Bit(argv[i + 1]);
    return {};
}

}  // namespace

int main(int argc, char** argv) {
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

    platform::SetCommandLine(argc, argv);
    // The library starts first (it reads the command line) and shuts down last.
    NetStartupType NetStartup;
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brackwater"));
    QApplication::setDesktopFileName(QStringLiteral("brackwater"));

    gui::QtWindowHost host;
    if (const QString file = ScreenshotFile(argc, argv); !file.isEmpty()) host.ScreenshotThenClose(file);

    app::ProgramParts parts;
    parts.setDefaultIcon = [](std::string_view icon) { QApplication::setWindowIcon(gui::IconFor(icon)); };
    parts.runWindow = [&host, &simulator] {
        app::WindowAids aids;
        window::TestWindowParts windowParts;
        aids.Install(windowParts);
        if (simulator.Running()) windowParts.serverOverride = simulator.Server();
        window::Test(host, std::move(windowParts));
    };
    parts.closeCallBackWindow = [] { NetCloseCallBackWindow(); };
    app::RunProgram(parts);
    // The window has closed its connection and the callback window is gone.
    simulator.Stop();
    return 0;
}
