// What the window aids (links and focus highlighting) need from the window
// that owns them: the event being handled, questions about its controls, a
// few changes of a control's look, and drawing on the window's surface.
//
// The window's host implements it; tests use a recording fake. Controls are
// known by their number in the window (1 up; 0 means none). Kinds, events and
// colours use the numbers below, which the window's events share.
//
// Every call comes from the window's thread, between its events.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace aids {

/// Colours are 0x00BBGGRR; -1 means none (the default look).
using Colour = int32_t;
inline constexpr Colour kNoColour = -1;
inline constexpr Colour kBlack = 0x000000;
inline constexpr Colour kYellow = 0x00FFFF;
inline constexpr Colour kRed = 0x0000FF;
inline constexpr Colour kGrey = 0x808080;

/// Font weights.
inline constexpr int32_t kWeightNormal = 400;
inline constexpr int32_t kWeightBold = 700;

struct Rect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const Rect&) const = default;
    /// Edges count as inside.
    bool Contains(int32_t px, int32_t py) const { return px >= x && py >= y && px <= x + width && py <= y + height; }
};

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const Point&) const = default;
};

/// Kinds of controls, numbered as the window toolkit numbers them.
namespace kind {
inline constexpr int32_t kNone = 0;
inline constexpr int32_t kStaticString = 1;
inline constexpr int32_t kString = 2;
inline constexpr int32_t kImage = 3;
inline constexpr int32_t kRegion = 4;
inline constexpr int32_t kEntry = 8;
inline constexpr int32_t kButton = 9;
inline constexpr int32_t kPrompt = 10;
inline constexpr int32_t kCheck = 12;
inline constexpr int32_t kGroup = 13;
inline constexpr int32_t kList = 14;
inline constexpr int32_t kCombo = 15;
inline constexpr int32_t kSpin = 16;
inline constexpr int32_t kText = 17;
inline constexpr int32_t kItem = 20;  // a menu item
inline constexpr int32_t kDropList = 33;
inline constexpr int32_t kDropCombo = 34;
inline constexpr int32_t kSheet = 37;
inline constexpr int32_t kTab = 38;
inline constexpr int32_t kListView = 40;

constexpr bool IsStringControl(int32_t k) { return k == kStaticString || k == kString; }
/// Lists and the list-like kinds whose colours are never changed.
constexpr bool IsListLike(int32_t k) { return k == kList || k == kDropList || k == kListView; }
/// Controls whose own box receives pointer events (text controls use a region).
constexpr bool TakesPointerItself(int32_t k) {
    return k == kItem || k == kButton || k == kEntry || k == kCombo || k == kText || k == kRegion || k == kList;
}
}  // namespace kind

/// Event numbers the aids react to (the window framework's numbers).
namespace event {
inline constexpr int32_t kNone = 0;
inline constexpr int32_t kAccepted = 0x01;
inline constexpr int32_t kPointerEntered = 0x0B;
inline constexpr int32_t kPointerLeft = 0x0C;
inline constexpr int32_t kPointerMoved = 0x0D;
inline constexpr int32_t kAlertKey = 0x0F;  // an alerted key was pressed in the control
inline constexpr int32_t kSelected = 0x101;
inline constexpr int32_t kTabChanging = 0x10B;
inline constexpr int32_t kMaximized = 0x206;
inline constexpr int32_t kResize = 0x207;  // posted after the window's size has changed
inline constexpr int32_t kTimer = 0x20B;
}  // namespace event

/// Key code of the right mouse button.
inline constexpr int32_t kRightMouseKey = 2;

/// Icons of a message box.
enum class MessageIcon { None, Information, Exclamation };

class Surface {
public:
    virtual ~Surface() = default;

    // --- The event being handled ---------------------------------------
    virtual int32_t Event() const = 0;
    /// The control the event is for; 0 for window events.
    virtual int32_t Field() const = 0;
    virtual int32_t KeyCode() const { return 0; }
    /// True while the window copies every control in one pass (no link runs then).
    virtual bool InAcceptAllPass() const { return false; }

    // --- Controls --------------------------------------------------------
    /// The control's kind; kind::kNone when there is no such control.
    virtual int32_t Kind(int32_t control) const = 0;
    /// Where the control stands now, in dialog units of the window.
    virtual Rect Position(int32_t control) const = 0;
    /// False when hidden, also when it is on a tab that is not showing.
    virtual bool IsVisible(int32_t control) const = 0;
    virtual bool InToolbar(int32_t /*control*/) const { return false; }
    virtual bool IsRequired(int32_t /*control*/) const { return false; }
    /// What the control shows (an entry's text as shown, a string control's text).
    virtual std::string ShownText(int32_t control) const = 0;
    /// The control's own text (its caption).
    virtual std::string Text(int32_t control) const { return ShownText(control); }
    /// The column of a list that was clicked last.
    virtual int32_t ListColumn(int32_t /*list*/) const { return 0; }
    /// The list row under a point (1 up) or 0, and the column there.
    virtual int32_t ListRowAt(int32_t /*list*/, Point /*point*/, int32_t& column) const {
        column = 0;
        return 0;
    }
    /// The mouse pointer in window coordinates.
    virtual Point PointerPosition() const = 0;

    // --- A control's look (a host may ignore what it cannot show) -------
    virtual Colour TextColour(int32_t /*control*/) const { return kNoColour; }
    virtual void SetTextColour(int32_t /*control*/, Colour /*colour*/) {}
    /// Background of the control itself (a combo's drop list keeps its own).
    virtual Colour BackgroundColour(int32_t /*control*/) const { return kNoColour; }
    virtual void SetBackgroundColour(int32_t /*control*/, Colour /*colour*/) {}
    virtual int32_t FontWeight(int32_t /*control*/) const { return kWeightNormal; }
    virtual void SetFontWeight(int32_t /*control*/, int32_t /*weight*/) {}
    virtual void SetUnderline(int32_t /*control*/, bool /*on*/) {}
    /// "" gives the default cursor; "~name" is a cursor among the program's resources.
    virtual void SetCursor(int32_t /*control*/, std::string_view /*cursorFile*/) {}
    virtual void AddAlertKey(int32_t /*control*/, int32_t /*key*/) {}
    virtual void RemoveAlertKey(int32_t /*control*/, int32_t /*key*/) {}
    virtual bool IsEnabled(int32_t /*control*/) const { return true; }
    virtual void SetEnabled(int32_t /*control*/, bool /*on*/) {}
    /// Creates an invisible region numbered `region` over `control` that
    /// reports pointer movement at once.
    virtual void CreateRegion(int32_t /*region*/, int32_t /*control*/) {}
    virtual void PlaceRegion(int32_t /*region*/, Rect /*where*/, bool /*visible*/) {}
    /// Colours of a list column's link (styles `style` cold and `style`+1 hot).
    virtual void SetListColumnStyle(int32_t /*list*/, int32_t /*column*/, int32_t /*style*/, Colour /*normal*/,
                                    Colour /*bright*/) {}
    /// Flicker-free painting for the whole window.
    virtual void SetBufferedDrawing(bool /*on*/) {}

    // --- Actions ---------------------------------------------------------
    /// Shows the control's variable again (0: every control).
    virtual void Display(int32_t /*control*/) {}
    /// Gives the control the focus.
    virtual void Select(int32_t /*control*/) {}
    /// Puts `event` for `control` into the window thread's queue.
    virtual void Post(int32_t event, int32_t control) = 0;
    /// A modal message box; "|" starts a new line.
    virtual void MessageBox(std::string_view text, std::string_view caption, MessageIcon icon) = 0;

    // --- Drawing on the window's surface, beneath the controls -----------
    /// A filled box with a one-unit outline.
    virtual void DrawBox(Rect area, Colour fill, Colour border) = 0;
    virtual void DrawCharacter(Point at, std::string_view text, Colour colour) = 0;
    /// Removes whatever was drawn inside `area`; controls are not affected.
    virtual void Erase(Rect area) = 0;
};

}  // namespace aids
