// The window manager: runs one window from Init through its event loop to
// Kill, and dispatches every event to the method that handles its kind.
//
// A window procedure derives from it and overrides Init, TakeEvent,
// TakeAccepted, TakeNewSelection, TakeWindowEvent and Kill, calling the base
// versions. Run() calls Init; when Init returns 0 it runs the event loop until
// the window closes; then it calls Kill and returns the response. Hosts that
// own the loop themselves (the Qt view, the headless host) use Start,
// Dispatch and Finish, which are the same three phases.
//
// For each event: an accepted control's (or a spin box's new) value is copied
// into its variable, TakeEvent runs, and the window shows all its variables
// (with a host that draws at its own pace: when the host next draws, so a
// burst of events is shown once). An entry's number that its field or picture
// cannot hold is refused with a message; a spin box's number is held to the
// box's range.
//
// Window thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "window/control.h"
#include "window/events.h"
#include "window/field_watch.h"
#include "window/globals.h"
#include "window/host.h"
#include "window/picture.h"
#include "window/variable.h"

namespace window {

class WindowManager {
public:
    WindowManager(WindowHost& host, const WindowDeclaration& declaration, Bindings& bindings);
    virtual ~WindowManager();
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    /// Prepares the window; 0 for success.
    virtual int Init();
    /// Handles the current event; the base dispatches it by kind. Returns
    /// kLevelFatal to end the event loop.
    virtual int TakeEvent();
    /// The base closes the window when the closing button was accepted.
    virtual int TakeAccepted();
    virtual int TakeNewSelection();
    virtual int TakeFieldEvent();
    /// The base ends the loop on the close events.
    virtual int TakeWindowEvent();
    /// Closes the window; kLevelNotify when the manager was killed already.
    virtual int Kill();
    /// Sets up the window's keyboard alerts (none in the base).
    virtual void SetAlerts() {}

    /// Init, the event loop over the host's events, Kill; returns the response.
    int Run();
    /// Phase one of Run: Init. Returns its result.
    int Start();
    /// Handles one event (ignored before the window opened or after the loop
    /// ended; a timer tick is ignored while the timer is stopped).
    void Dispatch(const WindowEvent& event);
    /// Phase three of Run: Kill. Returns the response.
    int Finish();
    /// True from Start until the event loop ends.
    bool Running() const { return started_ && !ending_; }
    bool Killed() const { return killed_; }

    int Event() const { return event_; }
    const std::string& Field() const { return field_; }

    /// Copies every control's shown value into its variable.
    void Update();
    /// Copies one control's shown value into its variable.
    void Update(std::string_view control);
    /// Shows every variable in its control and every bound queue in its list,
    /// then runs the after-display hook.
    void Display();
    /// Runs at the end of every Display: for what the window shows beyond its
    /// declared controls (the status line).
    void SetAfterDisplay(std::function<void()> hook) { afterDisplay_ = std::move(hook); }

    /// Opens the window; its first event is kOpenWindow.
    void Open();
    bool IsOpen() const { return opened_ && !killed_; }

    /// The timer period in hundredths; 0 = no timer events. Readable and
    /// writable while the window runs; a negative period stops the timer.
    int32_t Timer() const { return timer_; }
    void SetTimer(int32_t hundredths);

    /// A modal message box; "|" starts a new line.
    void Message(std::string_view text, std::string_view caption = "");

    /// `control` closes the window when accepted, with `response`.
    void SetCloseButton(std::string control, uint8_t response);
    void SetFirstField(std::string control) { firstField_ = std::move(control); }
    const std::string& FirstField() const { return firstField_; }

    WindowHost& Host() { return host_; }
    const WindowDeclaration& Declaration() const { return declaration_; }

    uint8_t Request = kRequestNone;
    uint8_t Response = kRequestNone;  // Finish() reports 0 as cancelled
    ErrorClass* Errors = nullptr;
    int32_t* VCRRequestPointer = nullptr;

private:
    /// What showing one control needs, looked up once rather than on every Display.
    struct ShowPlan {
        const Control* control = nullptr;
        const Variable* variable = nullptr;
        const RowSource* rows = nullptr;
        Picture picture;
        std::vector<Picture> columns;
        // A text as the last Display handed it to the host: a Display that
        // finds it unchanged has nothing to format or show.
        bool known = false;
        std::string text;
        // A list's rows as the last Display handed them to the host, and the
        // room the next look fills: rows found unchanged are not formatted again.
        std::vector<Row> source;
        std::vector<Row> fresh;
    };
    /// A number control as a Display looks at it: its field and what was last
    /// shown, side by side with the others, so that a Display that finds the
    /// numbers unchanged touches little more than this array and the fields.
    struct Watched {
        Variable::Field field;
        int64_t shown = 0;
        std::size_t plan = 0;
        bool known = false;
    };

    void UpdateControl(const Control& control);
    void TakeNumber(const Control& control, Variable& variable, const Picture& picture, std::string_view typed);
    void ShowText(ShowPlan& plan);
    void ShowNumber(const ShowPlan& plan, int64_t number);
    void ShowList(ShowPlan& plan);
    std::vector<ShowPlan>& Plans();

    WindowHost& host_;
    const WindowDeclaration& declaration_;
    Bindings& bindings_;
    int event_ = kNoEvent;
    std::string field_;
    int32_t timer_ = 0;
    std::string closeButton_;
    uint8_t closeResponse_ = kRequestCompleted;
    std::string firstField_;
    bool started_ = false;
    bool opened_ = false;
    bool ending_ = false;
    bool killed_ = false;
    bool displayWhenDue_ = false;
    std::vector<ShowPlan> plans_;
    std::vector<Watched> watched_;     // the number controls, in declaration order
    FieldWatch fieldWatch_;            // which of their fields may have changed
    std::vector<std::size_t> others_;  // the plans of lists and texts (numbers all have a field)
    bool showEveryControl_ = true;     // set by events that may leave the host showing something else
    uint64_t plansVersion_ = 0;
    bool plansMade_ = false;
    std::function<void()> afterDisplay_;
};

}  // namespace window
