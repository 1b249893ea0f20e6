// The window host of the program: builds the window's widgets from its
// declaration, turns what the user does into window events, runs the window
// timer, and shows what the window hands it after each event.
//
// The window manager's own loop asks NextEvent for one event at a time; while
// it waits, the Qt loop runs. Events that arrive while a handler runs (timer
// ticks during a message box, posts from the network's thread) wait in order,
// so handlers never nest. A tick that finds one waiting is dropped, as a
// window timer's ticks are.
//
// What the window shows after each event is noted, not drawn: the widgets
// get the values that changed once per timer tick or at most once per screen
// frame, so a burst of replies costs one update of the controls and lists.
//
// GUI (window) thread only, except that any thread may post to the window
// thread's queue (platform::PostEvent); the post hook wakes this loop.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "gui/dialog_units.h"
#include "gui/queue_model.h"
#include "window/host.h"

class QTabWidget;

namespace gui {

class HostWindow;
class StatusLine;
class SurfaceOverlay;
struct PostWaker;
class PointerWatch;

class QtWindowHost : public window::WindowHost {
public:
    /// A QApplication must exist. Installs the post hook of the calling thread.
    QtWindowHost();
    ~QtWindowHost() override;
    QtWindowHost(const QtWindowHost&) = delete;
    QtWindowHost& operator=(const QtWindowHost&) = delete;

    // --- WindowHost ----------------------------------------------------------
    void OpenWindow(const window::WindowDeclaration& declaration) override;
    void CloseWindow() override;
    void SetTimer(int32_t hundredths) override;
    void Show(const window::Control& control, const window::ControlValue& value) override;
    bool DisplayWhenDue(std::function<void()> display) override;
    void DisplayDue() override;
    void ShowRows(const window::Control& list, const std::vector<std::vector<std::string>>& rows) override;
    bool RowsWanted(const window::Control& list) const override;
    window::ControlValue Read(const window::Control& control) const override;
    void ShowStatus(std::string_view text) override;
    void ShowRowNotes(const window::Control& list, const std::vector<std::string>& notes) override;
    void MessageBox(std::string_view text, std::string_view caption) override;
    void DrawBox(const window::DrawnBox& box) override;
    void DrawCharacter(const window::DrawnCharacter& character) override;
    void ClearDrawing() override;
    window::Rect Position(const window::Control& control) const override;
    bool IsVisible(const window::Control& control) const override;
    window::Point PointerPosition() const override { return pointer_; }
    void Post(int event) override;
    window::WindowEvent NextEvent() override;

    // --- For the program and for tests -----------------------------------
    /// The top-level window; null before OpenWindow.
    QWidget* Window() const;
    /// The widget of a control (a sheet's page for a tab); null when unknown.
    QWidget* Widget(std::string_view control) const;
    QueueModel* Model(std::string_view list) const;
    SurfaceOverlay* Surface() const { return overlay_; }
    /// The status line under the declared controls; null before OpenWindow.
    StatusLine* Status() const { return status_; }
    const QTimer& Timer() const { return timer_; }
    std::optional<DialogUnits> Units() const { return units_; }
    /// Events waiting for the window, oldest first.
    const std::deque<window::WindowEvent>& Waiting() const { return pending_; }
    /// Moves the events posted to this thread into the waiting events.
    void TakePosted();
    /// Puts what the window has shown since the last update on screen now,
    /// the lists included (the view does it by itself once per frame, and
    /// brings the lists up to date at most every kListPaceMs).
    void ShowNow();
    /// Shortest time between two updates of the lists while their rows keep
    /// changing (five a second): a list scrolling by faster than anyone reads
    /// costs its repaint per update, while a change after a quiet spell shows
    /// at once. The window's other controls follow every tick.
    static constexpr int kListPaceMs = 200;
    /// Updates of the widgets so far; a burst of events makes one.
    int64_t ShownUpdates() const { return shownUpdates_; }
    /// Grabs the window into `file` (PNG) once it has been shown and its first
    /// events handled, then closes it as the close box would.
    void ScreenshotThenClose(const QString& file);

private:
    friend class HostWindow;
    friend class PointerWatch;
    void Build(const window::WindowDeclaration& declaration);
    void BuildControl(const window::Control& control);
    void Connect(const window::Control& control, QWidget* widget);
    void ConnectEntry(const window::Control& control, QWidget* widget);
    void GrowToFit();
    void StackLayers();
    void PlaceStatusLine(QSize size);
    void UpdateVisibility();
    void Enqueue(int event, const std::string& field = {});
    void FocusMoved(QWidget* now);
    void PointerMoved(QWidget* widget, const QEvent& event);
    void Release(const std::string& control);
    void TakeScreenshotSoon();
    std::string ControlOf(QWidget* widget) const;
    /// What Show last noted for a control, by its place in the declaration.
    struct Shown {
        std::optional<window::ControlValue> value;
        bool due = false;  // not on screen yet
        QWidget* widget = nullptr;
    };
    Shown* ShownOf(const window::Control& control);
    void Apply(const window::Control& control, const window::ControlValue& value);
    void ShowSoon();
    void DisplayIfDue();
    /// Which lists a Display hands over rows of: all of them, the visible
    /// ones, or the visible ones once kListPaceMs has passed since the lists
    /// last changed on screen (a hidden list is brought up to date when its
    /// tab comes to the front).
    enum class Lists { All, Visible, Paced };
    void ShowDue(Lists lists);
    void ShowDueRows();
    void HoldRows();
    bool ListsPaced() const;
    int64_t SinceListsShownMs() const;  // at least kListPaceMs when they never changed on screen

    std::unique_ptr<HostWindow> window_;
    SurfaceOverlay* overlay_ = nullptr;
    StatusLine* status_ = nullptr;
    const window::WindowDeclaration* declaration_ = nullptr;
    std::optional<DialogUnits> units_;
    std::map<std::string, QWidget*, std::less<>> widgets_;
    std::map<const QWidget*, std::string> names_;
    std::map<std::string, QTabWidget*, std::less<>> sheets_;
    std::map<std::string, QueueModel*, std::less<>> models_;
    /// Controls holding a value the user typed, ticked or spun that the window has not read yet.
    std::set<std::string, std::less<>> held_;
    std::deque<window::WindowEvent> pending_;
    std::vector<Shown> shown_;
    std::vector<std::size_t> dueControls_;
    std::map<std::string, std::vector<std::vector<std::string>>, std::less<>> dueRows_;
    QTimer showTimer_;
    QElapsedTimer sinceShown_;
    std::map<std::string, std::vector<std::string>, std::less<>> dueNotes_;
    QTimer listTimer_;                     // brings the lists up to date once their pace allows
    std::optional<int64_t> listsShownAt_;  // clock ticks (hundredths) when a list last changed on screen
    Lists rowsWanted_ = Lists::Paced;      // of the Display under way; Paced: none
    bool rowsHeld_ = false;                // a Display skipped a visible list's rows: they may have changed since
    mutable bool hiddenSkipped_ = false;   // ... or a hidden list's
    int64_t shownUpdates_ = 0;
    bool afterTick_ = false;
    bool inShowNow_ = false;  // ShowNow is running the window's Display
    std::function<void()> display_;
    bool displayDue_ = false;
    std::string fromUser_;  // the control of the event being handled, when the user acted on it
    int grow_ = 0;          // pixels the window grew so its lists' columns fit, at seam_ (x)
    int seam_ = 0;
    window::Point pointer_;
    std::unique_ptr<QObject> pointerWatch_;
    QTimer timer_;
    int32_t period_ = 0;
    QElapsedTimer busy_;  // since the toolkit last had a turn of its own
    bool open_ = false;
    bool building_ = false;
    bool showing_ = false;  // Show is changing a widget: its signals are not the user's
    QString screenshot_;
    QObject context_;
    std::shared_ptr<PostWaker> waker_;
};

}  // namespace gui
