// brackwater: the program. Takes the command line, brings up Qt, and runs the
// main procedure with the test window shown through the Qt view.
//
// Options of the view itself (not seen by the window's logic):
//   --screenshot FILE   saves the window as a PNG shortly after it opens, then closes it.
#include <QApplication>
#include <string>
#include <string_view>

#include "app/program.h"
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
    parts.runWindow = [&host] {
        app::WindowAids aids;
        window::TestWindowParts windowParts;
        aids.Install(windowParts);
        window::Test(host, std::move(windowParts));
    };
    parts.closeCallBackWindow = [] { NetCloseCallBackWindow(); };
    app::RunProgram(parts);
    return 0;
}
