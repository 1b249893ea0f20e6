#include "app/window_aids.h"

#include <algorithm>

#include "window/events.h"

namespace app {
namespace {

// The aids react to the framework's own event numbers.
static_assert(aids::event::kAccepted == window::kAccepted);
static_assert(aids::event::kSelected == window::kSelected);
static_assert(aids::event::kTabChanging == window::kTabChanging);
static_assert(aids::event::kMaximized == window::kMaximized);
static_assert(aids::event::kResize == window::kResize);
static_assert(aids::event::kTimer == window::kTimer);
static_assert(aids::event::kPointerEntered == window::kPointerEntered);
static_assert(aids::event::kPointerLeft == window::kPointerLeft);

int32_t KindNumber(window::ControlKind kind) {
    switch (kind) {
        case window::ControlKind::Sheet:
            return aids::kind::kSheet;
        case window::ControlKind::Tab:
            return aids::kind::kTab;
        case window::ControlKind::Group:
            return aids::kind::kGroup;
        case window::ControlKind::Prompt:
            return aids::kind::kPrompt;
        case window::ControlKind::Button:
            return aids::kind::kButton;
        case window::ControlKind::CheckBox:
            return aids::kind::kCheck;
        case window::ControlKind::SpinBox:
            return aids::kind::kSpin;
        case window::ControlKind::Entry:
            return aids::kind::kEntry;
        case window::ControlKind::TextBox:
            return aids::kind::kText;
        case window::ControlKind::List:
            return aids::kind::kList;
    }
    return aids::kind::kNone;
}

bool Inside(const aids::Rect& inner, const aids::Rect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

}  // namespace

// --- WindowSurface -------------------------------------------------------------

const window::Control* WindowSurface::ControlOf(int32_t number) const {
    if (number < 1) return nullptr;
    const auto& controls = manager_.Declaration().controls;
    const auto index = static_cast<std::size_t>(number - 1);
    return index < controls.size() ? &controls[index] : nullptr;
}

int32_t WindowSurface::NumberOf(std::string_view name) const {
    if (name.empty()) return 0;
    const auto& controls = manager_.Declaration().controls;
    auto it = std::find_if(controls.begin(), controls.end(), [&](const window::Control& c) { return c.name == name; });
    return it == controls.end() ? 0 : static_cast<int32_t>(it - controls.begin() + 1);
}

int32_t WindowSurface::Event() const { return manager_.Event(); }

int32_t WindowSurface::Field() const { return manager_.Field().empty() ? postedField_ : NumberOf(manager_.Field()); }

void WindowSurface::BeginEvent() {
    postedField_ = 0;
    if (!manager_.Field().empty()) return;
    auto it = std::find_if(posted_.begin(), posted_.end(), [&](const auto& p) { return p.first == Event(); });
    if (it == posted_.end()) return;
    postedField_ = it->second;
    posted_.erase(it);
}

int32_t WindowSurface::Kind(int32_t control) const {
    if (control > aids::kRegionOffset && ControlOf(control - aids::kRegionOffset)) return aids::kind::kRegion;
    const window::Control* found = ControlOf(control);
    return found ? KindNumber(found->kind) : aids::kind::kNone;
}

aids::Rect WindowSurface::Position(int32_t control) const {
    if (control > aids::kRegionOffset) control -= aids::kRegionOffset;  // a region lies over its text
    const window::Control* found = ControlOf(control);
    if (!found) return {};
    window::Rect at = host_.Position(*found);
    return {at.x, at.y, at.width, at.height};
}

bool WindowSurface::IsVisible(int32_t control) const {
    const window::Control* found = ControlOf(control);
    return found != nullptr && host_.IsVisible(*found);
}

aids::Point WindowSurface::PointerPosition() const {
    const window::Point at = host_.PointerPosition();
    return {at.x, at.y};
}

std::string WindowSurface::ShownText(int32_t control) const {
    const window::Control* found = ControlOf(control);
    return found ? host_.Read(*found).text : std::string{};
}

std::string WindowSurface::Text(int32_t control) const {
    const window::Control* found = ControlOf(control);
    return found ? found->text : std::string{};
}

void WindowSurface::Display(int32_t /*control*/) { manager_.Display(); }

void WindowSurface::Post(int32_t event, int32_t control) {
    constexpr std::size_t kMostPending = 64;  // posts the window never took are forgotten
    if (posted_.size() >= kMostPending) posted_.erase(posted_.begin());
    posted_.emplace_back(event, control);
    host_.Post(event);
}

void WindowSurface::MessageBox(std::string_view text, std::string_view caption, aids::MessageIcon) {
    host_.MessageBox(text, caption);
}

void WindowSurface::DrawBox(aids::Rect area, aids::Colour fill, aids::Colour border) {
    Drawn drawn{area, window::DrawnBox{{area.x, area.y, area.width, area.height}, fill, border, 1}, {}, true};
    host_.DrawBox(drawn.box);
    drawn_.push_back(drawn);
}

void WindowSurface::DrawCharacter(aids::Point at, std::string_view text, aids::Colour colour) {
    Drawn drawn{{at.x, at.y, 0, 0}, {}, window::DrawnCharacter{at.x, at.y, std::string(text), colour}, false};
    host_.DrawCharacter(drawn.character);
    drawn_.push_back(drawn);
}

/// The host clears its whole drawing layer; what lies outside `area` is drawn again.
void WindowSurface::Erase(aids::Rect area) {
    std::erase_if(drawn_, [&](const Drawn& d) { return Inside(d.area, area); });
    host_.ClearDrawing();
    for (const Drawn& d : drawn_) {
        if (d.isBox)
            host_.DrawBox(d.box);
        else
            host_.DrawCharacter(d.character);
    }
}

// --- The aids behind the window's interfaces -------------------------------------

void LinkAid::AddItem(std::string_view control, std::string_view url, int32_t useStdAction) {
    link_.ItemQ.Buffer.SkypeFunction = 0;
    link_.AddItem(surface_.NumberOf(control), url, std::nullopt, std::nullopt, std::nullopt, useStdAction);
}

void LinkAid::Refresh(std::string_view control) { link_.Refresh(control.empty() ? 0 : surface_.NumberOf(control)); }

void FocusAid::Init(const window::FocusHighlightSettings& s) {
    focus_.Init(s.ChangeColor, s.BackgroundColor, s.UseBoldText, s.ExcludeDropList, s.BackgroundColorRequired,
                s.DisplayBox, s.BoxFillColor, s.BoxBorderColor, s.BoxSize, s.BoxFillColorRequired,
                s.BoxBorderColorRequired, s.DisplayIndicator, s.IndicatorColor, s.IndicatorCharacter,
                s.IndicatorOffset);
}

WindowSurface& WindowAids::SurfaceFor(window::WindowManager& manager) {
    if (!surface_) surface_ = std::make_unique<WindowSurface>(manager);
    return *surface_;
}

void WindowAids::Install(window::TestWindowParts& parts) {
    parts.link = [this](window::WindowManager& manager) {
        auto link = std::make_unique<LinkAid>(SurfaceFor(manager));
        link_ = link.get();
        return link;
    };
    parts.focus = [this](window::WindowManager& manager) {
        auto focus = std::make_unique<FocusAid>(SurfaceFor(manager));
        focus_ = focus.get();
        return focus;
    };
}

}  // namespace app
