// The real link and focus aids for a window of the toolkit-free framework:
// an aids::Surface over the window manager and its host, and the window's
// two aid interfaces implemented with the aids' classes. Any host (the
// headless one in tests, the Qt view in the program) gets working links and
// focus highlighting through it without code of its own.
//
// Controls are numbered by their place in the window's declaration (1 up);
// a text link's companion region is that number + 2800.
//
// Window thread only.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "aids/focus_highlight.h"
#include "aids/hyperlink.h"
#include "aids/surface.h"
#include "window/host.h"
#include "window/test_window.h"
#include "window/window_aids.h"
#include "window/window_manager.h"

namespace app {

/// The aids' view of a running window.
class WindowSurface : public aids::Surface {
public:
    /// The surface of `manager`'s window, drawn through its host.
    explicit WindowSurface(window::WindowManager& manager) : host_(manager.Host()), manager_(manager) {}
    /// The number of the control called `name`; 0 when there is none.
    int32_t NumberOf(std::string_view name) const;

    /// Called once at the start of every event: an event the aids posted
    /// comes back through the host without its control, which is taken from
    /// the oldest matching post.
    void BeginEvent();

    int32_t Event() const override;
    int32_t Field() const override;
    int32_t Kind(int32_t control) const override;
    aids::Rect Position(int32_t control) const override;
    bool IsVisible(int32_t control) const override;
    std::string ShownText(int32_t control) const override;
    std::string Text(int32_t control) const override;
    aids::Point PointerPosition() const override;
    void Display(int32_t control) override;
    void Post(int32_t event, int32_t control) override;
    void MessageBox(std::string_view text, std::string_view caption, aids::MessageIcon icon) override;
    void DrawBox(aids::Rect area, aids::Colour fill, aids::Colour border) override;
    void DrawCharacter(aids::Point at, std::string_view text, aids::Colour colour) override;
    void Erase(aids::Rect area) override;

private:
    struct Drawn {
        aids::Rect area;  // a character: its position with no size
        window::DrawnBox box;
        window::DrawnCharacter character;
        bool isBox = false;
    };
    const window::Control* ControlOf(int32_t number) const;

    window::WindowHost& host_;
    window::WindowManager& manager_;
    std::vector<Drawn> drawn_;
    /// Controls of events posted by the aids, oldest first; the host's queue
    /// carries event numbers only.
    std::vector<std::pair<int32_t, int32_t>> posted_;
    int32_t postedField_ = 0;
};

/// The window's link object: ThisHyperLink of the aids behind the window's interface.
class LinkAid : public window::HyperLinkAid {
public:
    explicit LinkAid(WindowSurface& surface) : surface_(surface), link_(surface) {}
    void SetHandCursorToUse(std::string_view file) override { link_.HandCursorToUse = file; }
    void Init(int32_t pollEvent, uint8_t options) override { link_.Init(pollEvent, options); }
    void SetLimitURL(int32_t limit) override { link_.LimitURL = limit; }
    void AddItem(std::string_view control, std::string_view url, int32_t useStdAction) override;
    void Refresh(std::string_view control) override;
    /// The window calls the link first for every event.
    void TakeEvent() override {
        surface_.BeginEvent();
        link_.TakeEvent();
    }
    aids::ThisHyperLinkClass& Link() { return link_; }

private:
    WindowSurface& surface_;
    aids::ThisHyperLinkClass link_;
};

/// The window's focus highlighter.
class FocusAid : public window::FocusHighlightAid {
public:
    explicit FocusAid(WindowSurface& surface) : focus_(surface) {}
    void Init(const window::FocusHighlightSettings& settings) override;
    void TakeEvent() override { focus_.TakeEvent(); }
    aids::FocusHighlightClassType& Focus() { return focus_; }

private:
    aids::FocusHighlightClassType focus_;
};

/// The aids of one test window: Install puts their makers into the window's
/// parts; the window makes them with itself. Must outlive the window.
class WindowAids {
public:
    void Install(window::TestWindowParts& parts);
    LinkAid* Link() { return link_; }
    FocusAid* Focus() { return focus_; }

private:
    WindowSurface& SurfaceFor(window::WindowManager& manager);

    std::unique_ptr<WindowSurface> surface_;
    LinkAid* link_ = nullptr;    // owned by the window
    FocusAid* focus_ = nullptr;  // owned by the window
};

}  // namespace app
