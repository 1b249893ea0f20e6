// What a window needs from a toolkit. The Qt view implements it for the
// program; HeadlessHost implements it for tests. The window never sees a
// widget: it hands the host finished texts to show and reads back what the
// user typed or ticked.
//
// All calls come from the window's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "window/control.h"

namespace window {

/// What a control shows, or what the user left in it. Entries, spin boxes and
/// text boxes use `text`; check boxes use `number` (1 ticked, 0 not).
struct ControlValue {
    std::string text;
    int64_t number = 0;
    bool operator==(const ControlValue&) const = default;
};

/// An event for the window: its number and, for field events, the control.
struct WindowEvent {
    int event = 0;
    std::string field;
};

/// A point of the window in dialog units.
struct Point {
    int x = -1;
    int y = -1;
};

struct Rect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

/// Colours are 0x00BBGGRR; -1 means none.
constexpr int32_t kNoColour = -1;

/// A box drawn on the window's surface (dialog units), over the controls.
struct DrawnBox {
    Rect area;
    int32_t fill = kNoColour;
    int32_t border = kNoColour;
    int thickness = 1;
    bool operator==(const DrawnBox&) const = default;
};

/// One character drawn on the window's surface.
struct DrawnCharacter {
    int x = 0;
    int y = 0;
    std::string character;  // one character, UTF-8
    int32_t colour = kNoColour;
    bool operator==(const DrawnCharacter&) const = default;
};

class WindowHost {
public:
    virtual ~WindowHost() = default;

    /// Builds and shows the window of `declaration` (which outlives the window).
    virtual void OpenWindow(const WindowDeclaration& declaration) = 0;
    virtual void CloseWindow() = 0;

    /// Sets the timer period in hundredths; 0 stops the timer. A new period
    /// starts counting from now.
    virtual void SetTimer(int32_t hundredths) = 0;

    virtual void Show(const Control& control, const ControlValue& value) = 0;
    /// A host that draws at its own pace (once per tick or screen frame)
    /// keeps `display` and returns true: the window then calls DisplayDue
    /// after an event instead of showing every variable at once, and the host
    /// calls `display` before it next draws or reads a control. An empty
    /// `display` ends this.
    virtual bool DisplayWhenDue(std::function<void()> /*display*/) { return false; }
    virtual void DisplayDue() {}
    virtual void ShowRows(const Control& list, const std::vector<std::vector<std::string>>& rows) = 0;
    /// False while the host would not put new rows of `list` on screen yet (it
    /// paces its lists): the window then skips making them, and the host asks
    /// for a Display again when it takes rows.
    virtual bool RowsWanted(const Control& list) const {
        (void)list;
        return true;
    }
    virtual ControlValue Read(const Control& control) const = 0;

    /// The status line under the declared controls: one line of text. Hosts
    /// without one ignore it.
    virtual void ShowStatus(std::string_view text) { (void)text; }
    /// A note per row of `list`, in the order of its rows ("" = none), shown
    /// as the row's tooltip and accessible description.
    virtual void ShowRowNotes(const Control& list, const std::vector<std::string>& notes) {
        (void)list;
        (void)notes;
    }

    /// A modal message box; "|" starts a new line. Returns when the user has closed it.
    virtual void MessageBox(std::string_view text, std::string_view caption) = 0;

    /// Drawing on the window's surface, used by the focus highlighter.
    virtual void DrawBox(const DrawnBox& box) = 0;
    virtual void DrawCharacter(const DrawnCharacter& character) = 0;
    virtual void ClearDrawing() = 0;

    /// Where the control stands now, in dialog units.
    virtual Rect Position(const Control& control) const = 0;
    /// False when the control is on a tab that is not showing.
    virtual bool IsVisible(const Control& control) const = 0;
    /// Where the mouse pointer is over the window while it is over a button
    /// (the host sends kPointerEntered and kPointerLeft for those); {-1, -1}
    /// elsewhere or when the host cannot tell.
    virtual Point PointerPosition() const { return {}; }

    /// Puts `event` into the window thread's event queue.
    virtual void Post(int event) = 0;
    /// Waits for the window's next event (user action, timer tick or posted number).
    virtual WindowEvent NextEvent() = 0;
};

}  // namespace window
