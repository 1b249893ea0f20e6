// The test window "Brackwater": its data, the connection MyC, the link and
// focus aids, and the window manager ThisWindow that runs it all.
//
// ThisWindow overrides the framework's Init, TakeEvent, TakeAccepted,
// TakeNewSelection, TakeWindowEvent and Kill. The window never transmits
// directly: buttons and the send-all pass only enter requests into the send
// log, and every timer tick sends each request that has no reply yet.
//
// Window thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "modbus/test_connection.h"
#include "modbus/test_data.h"
#include "window/status_line.h"
#include "window/test_settings.h"
#include "window/variable.h"
#include "window/window_aids.h"
#include "window/window_manager.h"

namespace window {

class TestWindow;

class ThisWindowClass : public WindowManager {
public:
    ThisWindowClass(TestWindow& owner, WindowHost& host, Bindings& bindings);

    int Init() override;
    int TakeEvent() override;
    int TakeAccepted() override;
    int TakeNewSelection() override;
    int TakeWindowEvent() override;
    int Kill() override;

private:
    void TakeTimer();
    void SendAllPass();
    void ConvertPlcRange();
    void OpenButton();
    void ApplyServerOverride();
    void RunAccepted(const std::string& control);

    TestWindow& t_;
    bool settingsRead_ = false;                  // only settings read in this run are written back
    std::optional<ServerAndPort> storedServer_;  // set while a run connects elsewhere
};

/// Pieces a test or the program may replace.
struct TestWindowParts {
    using ConnectionMaker = std::function<std::unique_ptr<MyC>(TestData&, TestWindowServices&)>;
    /// The aids get the window they serve (its current event and field, its host).
    using LinkMaker = std::function<std::unique_ptr<HyperLinkAid>(WindowManager&)>;
    using FocusMaker = std::function<std::unique_ptr<FocusHighlightAid>(WindowManager&)>;
    ConnectionMaker connection;  // default: a real MyC
    LinkMaker link;              // default: PlainHyperLink
    FocusMaker focus;            // default: PlainFocusHighlight
    std::string settingsFile;    // default: kSettingsFile
    std::string productAddress;  // the About button's target
    /// Server and Port for this run only (the embedded simulator): shown in
    /// place of the stored ones, which go back into the settings file unchanged.
    std::optional<ServerAndPort> serverOverride;
};

/// Shown when Open is pressed with Port 0; "|" starts a new line.
inline constexpr std::string_view kPortZeroMessage =
    "Port 0 is not a port to connect to.|Enter the controller's port, 1 to 65535 (Modbus TCP: 502).";

/// The product's web address behind the About button.
inline constexpr std::string_view kProductAddress = "https://github.com/brackwater/brackwater";

class TestWindow final : private TestWindowServices {
public:
    explicit TestWindow(WindowHost& host, TestWindowParts parts = {});
    ~TestWindow() override;
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    /// Runs the window until it closes and returns its response.
    int Run() { return ThisWindow.Run(); }

    TestData Data;
    ThisWindowClass ThisWindow;

    MyC& Connection() { return *connection_; }
    HyperLinkAid& ThisHyperLink() { return *link_; }
    FocusHighlightAid& FocusHighlightManager() { return *focus_; }
    const std::string& SettingsFile() const { return parts_.settingsFile; }
    const std::string& ProductAddress() const { return parts_.productAddress; }
    const std::optional<ServerAndPort>& ServerOverride() const { return parts_.serverOverride; }
    /// The connection's state and the last exception, as the status line shows them.
    const ConnectionStatus& Status() { return statusLine_.Status(); }

private:
    void Bind();
    int32_t TimerPeriod() const override { return ThisWindow.Timer(); }
    void SetTimerPeriod(int32_t hundredths) override { ThisWindow.SetTimer(hundredths); }
    void ShowMessage(std::string_view text) override { ThisWindow.Message(text, "Brackwater"); }
    void Refresh() override { ThisWindow.Display(); }
    void TookReply(const CommsRow& row) override { statusLine_.Status().TookReply(row); }

    // Released in reverse: the focus and link aids, then the connection, then the window.
    TestWindowParts parts_;
    Bindings bindings_;
    std::unique_ptr<MyC> connection_;
    std::unique_ptr<HyperLinkAid> link_;
    std::unique_ptr<FocusHighlightAid> focus_;
    StatusLine statusLine_;
};

/// The window procedure: runs the test window on `host` until it closes and
/// leaves its response in GlobalResponse.
void Test(WindowHost& host, TestWindowParts parts = {});

}  // namespace window
