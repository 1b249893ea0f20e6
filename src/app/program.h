// The program's main procedure without its toolkit: brings up the
// process-wide objects, writes the optional start-up banner, switches the
// desktop's full-window drag off for the program's lifetime, runs the window
// and then undoes all of this in reverse. The parts that belong to other
// layers (the window, the network library's callback window, the icon) come
// in as callables, so the order of the steps is tested without a screen.
//
// Runs on the program's first (user-interface) thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "window/ini_class.h"

/// The framework's settings manager, bound to ".\Brackwater.INI" at start-up.
extern window::INIClass INIMgr;
/// The desktop's full-window-drag setting as read at start-up (1 = on).
extern int32_t LCurrentFDSetting;
/// Parameter block handed over when the drag setting changes; its content is unused.
extern int32_t LAdjFDSetting;

namespace app {

inline constexpr std::string_view kSettingsFile = ".\\Brackwater.INI";
inline constexpr std::string_view kDefaultIcon = "Globe.ico";

struct ProgramParts {
    /// Start-up step 1: the error manager takes this thread's error status.
    std::function<void()> startErrorManager;
    /// Start-up step 4: `icon` becomes the default icon of every window.
    std::function<void(std::string_view icon)> setDefaultIcon;
    /// The window procedure; returns when its window has closed.
    std::function<void()> runWindow;
    /// Shutdown step 1: closes the network library's callback window.
    std::function<void()> closeCallBackWindow;
    /// The settings manager's file.
    std::string settingsFile = std::string(kSettingsFile);
};

/// Start-up steps 1 to 5, the window, shutdown steps 1 to 4. Parts left
/// empty are skipped.
void RunProgram(const ProgramParts& parts);

/// True when the banners are written: no "/netnolog", and one of
/// "/sparlinlog", "/sparlinlogerrors", "/neterrors", "/netall".
bool BannerWanted();
/// The four start-up banner lines for a program at `programPath`.
std::vector<std::string> StartUpBanner(std::string_view programPath);
/// The three closing banner lines.
std::vector<std::string> ClosingBanner(std::string_view programPath);
/// The program's own executable path, trailing blanks removed, in lower case.
std::string ProgramPathForBanner();

}  // namespace app
