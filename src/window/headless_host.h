// A window host without a screen, for tests: it keeps what every control
// shows, lets a test act as the user would (type, tick, press, change tab,
// close), fires the window timer from a ManualClock that the test advances,
// and records every message box and drawing.
//
// Acting on a control that does not exist, is of the wrong kind or is on a tab
// that is not showing throws std::invalid_argument, so a test cannot do what
// a user could not. Focus moves as with a mouse: acting on another control
// first completes (accepts) the entry being typed into.
//
// Window thread only (the test's thread).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "window/host.h"
#include "window/window_manager.h"

namespace window {

struct RaisedMessage {
    std::string text;
    std::string caption;
};

class HeadlessHost : public WindowHost {
public:
    explicit HeadlessHost(platform::ManualClock& clock);
    ~HeadlessHost() override;

    // --- Running a window -------------------------------------------------
    /// Runs the window's Init and the events it posts; returns Init's result.
    int Start(WindowManager& window);
    /// Runs the window's events posted to this thread (network events, close).
    void Pump();
    /// True once the window's Kill has run.
    bool Ended() const { return ended_; }
    /// The response the window ended with.
    int Response() const { return response_; }

    // --- Acting as the user ------------------------------------------------
    /// Types `text` into an entry, spin box or text box (replacing its contents)
    /// without leaving it.
    void Type(const std::string& control, const std::string& text);
    /// Completes the entry (the user pressed Tab or Enter): the accepted event.
    void Accept(const std::string& control);
    /// Type, then Accept.
    void Enter(const std::string& control, const std::string& text);
    /// Ticks or clears a check box (the accepted event).
    void Tick(const std::string& checkBox, bool ticked = true);
    void Press(const std::string& button);
    /// Moves a spin box to `value` with its arrows (the new-selection event).
    void Spin(const std::string& spinBox, int64_t value);
    /// Brings `tab` to the front of its sheet.
    void SelectTab(const std::string& tab);
    /// The window's close box.
    void CloseBox();
    /// Moves the clock forward, running every timer tick that falls due on the way.
    void Advance(int64_t hundredths);

    // --- What the user sees -------------------------------------------------
    std::string Shows(const std::string& control) const;
    /// How many times the window has handed a control a value or a list its rows to show.
    std::size_t ShowCalls() const { return showCalls_; }
    bool IsTicked(const std::string& checkBox) const;
    const std::vector<std::vector<std::string>>& Rows(const std::string& list) const;
    /// The notes (tooltips) of the rows of `list`, in row order.
    const std::vector<std::string>& RowNotes(const std::string& list) const;
    /// What the status line under the controls says.
    const std::string& Status() const { return status_; }
    const std::vector<RaisedMessage>& Messages() const { return messages_; }
    int32_t TimerPeriod() const { return period_; }
    bool WindowShowing() const { return open_; }
    std::string CurrentTab(const std::string& sheet) const;
    const std::vector<DrawnBox>& Boxes() const { return boxes_; }
    const std::vector<DrawnCharacter>& Characters() const { return characters_; }

    // --- WindowHost ----------------------------------------------------------
    void OpenWindow(const WindowDeclaration& declaration) override;
    void CloseWindow() override;
    void SetTimer(int32_t hundredths) override;
    void Show(const Control& control, const ControlValue& value) override;
    void ShowRows(const Control& list, const std::vector<std::vector<std::string>>& rows) override;
    ControlValue Read(const Control& control) const override;
    void ShowStatus(std::string_view text) override;
    void ShowRowNotes(const Control& list, const std::vector<std::string>& notes) override;
    void MessageBox(std::string_view text, std::string_view caption) override;
    void DrawBox(const DrawnBox& box) override;
    void DrawCharacter(const DrawnCharacter& character) override;
    void ClearDrawing() override;
    Rect Position(const Control& control) const override;
    bool IsVisible(const Control& control) const override;
    void Post(int event) override;
    /// Posted events first; when none waits the user closes the window.
    WindowEvent NextEvent() override;

private:
    const Control& Usable(const std::string& name, std::initializer_list<ControlKind> kinds) const;
    const Control& Known(const std::string& name) const;
    void Act(int event, const std::string& field);
    void FocusOn(const std::string& control);
    void AfterEvent();

    platform::ManualClock& clock_;
    WindowManager* window_ = nullptr;
    const WindowDeclaration* declaration_ = nullptr;
    bool open_ = false;
    bool ended_ = false;
    int response_ = 0;
    int32_t period_ = 0;
    int64_t nextTick_ = 0;
    std::map<std::string, ControlValue> values_;
    std::size_t showCalls_ = 0;
    std::map<std::string, std::vector<std::vector<std::string>>> rows_;
    std::map<std::string, std::vector<std::string>> notes_;
    std::string status_;
    std::map<std::string, std::string> currentTab_;  // sheet -> tab
    std::string focus_;
    bool editing_ = false;  // the focused control holds typing not yet accepted
    std::vector<RaisedMessage> messages_;
    std::vector<DrawnBox> boxes_;
    std::vector<DrawnCharacter> characters_;
};

}  // namespace window
