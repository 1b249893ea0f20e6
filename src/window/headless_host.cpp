#include "window/headless_host.h"

#include <algorithm>
#include <stdexcept>

#include "platform/threads.h"

namespace window {
namespace {

// Enough for any chain of posts a handler may start; a runaway chain stops here
// and its remaining events wait for the next action.
constexpr int kMaxEventsPerPump = 10000;

void DropQueuedEvents() {
    while (platform::TakeEvent()) {
    }
}

const char* KindName(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button:
            return "button";
        case ControlKind::CheckBox:
            return "check box";
        case ControlKind::SpinBox:
            return "spin box";
        case ControlKind::Entry:
            return "entry";
        case ControlKind::TextBox:
            return "text box";
        case ControlKind::Tab:
            return "tab";
        default:
            return "control";
    }
}

}  // namespace

HeadlessHost::HeadlessHost(platform::ManualClock& clock) : clock_(clock) { DropQueuedEvents(); }

HeadlessHost::~HeadlessHost() { DropQueuedEvents(); }

int HeadlessHost::Start(WindowManager& window) {
    window_ = &window;
    int result = window.Start();
    AfterEvent();
    return result;
}

void HeadlessHost::Pump() {
    for (int handled = 0; handled < kMaxEventsPerPump; ++handled) {
        auto event = platform::TakeEvent();
        if (!event) return;
        if (window_ != nullptr && window_->Running()) window_->Dispatch({*event, ""});
    }
}

void HeadlessHost::AfterEvent() {
    Pump();
    if (window_ != nullptr && !window_->Running() && !ended_) {
        response_ = window_->Finish();
        ended_ = true;
    }
}

void HeadlessHost::Act(int event, const std::string& field) {
    if (window_ == nullptr || !window_->Running()) throw std::logic_error("the window is not running");
    window_->Dispatch({event, field});
    AfterEvent();
}

// Moving the focus completes the entry being typed into, as leaving it with the mouse does.
void HeadlessHost::FocusOn(const std::string& control) {
    if (focus_ == control) return;
    if (editing_) {
        editing_ = false;
        Act(kAccepted, focus_);
    }
    focus_ = control;
    Act(kSelected, control);
}

const Control& HeadlessHost::Known(const std::string& name) const {
    const Control* control = declaration_ ? declaration_->Find(name) : nullptr;
    if (control == nullptr) throw std::invalid_argument("no control called " + name);
    return *control;
}

const Control& HeadlessHost::Usable(const std::string& name, std::initializer_list<ControlKind> kinds) const {
    const Control& control = Known(name);
    if (std::find(kinds.begin(), kinds.end(), control.kind) == kinds.end())
        throw std::invalid_argument(name + " is a " + KindName(control.kind));
    if (!IsVisible(control)) throw std::invalid_argument(name + " is on a tab that is not showing");
    if (!open_) throw std::logic_error("the window is not open");
    return control;
}

void HeadlessHost::Type(const std::string& name, const std::string& text) {
    Usable(name, {ControlKind::Entry, ControlKind::SpinBox, ControlKind::TextBox});
    FocusOn(name);
    values_[name].text = text;
    editing_ = true;
}

void HeadlessHost::Accept(const std::string& name) {
    Usable(name, {ControlKind::Entry, ControlKind::SpinBox, ControlKind::TextBox});
    FocusOn(name);
    editing_ = false;
    Act(kAccepted, name);
}

void HeadlessHost::Enter(const std::string& name, const std::string& text) {
    Type(name, text);
    Accept(name);
}

void HeadlessHost::Tick(const std::string& name, bool ticked) {
    Usable(name, {ControlKind::CheckBox});
    FocusOn(name);
    values_[name].number = ticked ? 1 : 0;
    Act(kAccepted, name);
}

void HeadlessHost::Press(const std::string& name) {
    Usable(name, {ControlKind::Button});
    FocusOn(name);
    Act(kAccepted, name);
}

void HeadlessHost::Spin(const std::string& name, int64_t value) {
    const Control& control = Usable(name, {ControlKind::SpinBox});
    FocusOn(name);
    editing_ = false;
    value = std::clamp(value, control.range.low, std::max(control.range.low, control.range.high));
    values_[name].text = std::to_string(value);
    Act(kNewSelection, name);
}

void HeadlessHost::SelectTab(const std::string& name) {
    const Control& tab = Usable(name, {ControlKind::Tab});
    if (currentTab_[tab.parent] == name) return;
    FocusOn(tab.parent);
    Act(kTabChanging, tab.parent);
    currentTab_[tab.parent] = name;
    Act(kNewSelection, tab.parent);
}

void HeadlessHost::CloseBox() { Act(kCloseWindow, ""); }

void HeadlessHost::Advance(int64_t hundredths) {
    const int64_t target = clock_.Ticks() + std::max<int64_t>(hundredths, 0);
    while (period_ > 0 && nextTick_ <= target && window_ != nullptr && window_->Running()) {
        clock_.Advance(nextTick_ - clock_.Ticks());
        nextTick_ += period_;
        Act(kTimer, "");
    }
    clock_.Advance(target - clock_.Ticks());
}

std::string HeadlessHost::Shows(const std::string& name) const {
    Known(name);
    auto found = values_.find(name);
    return found == values_.end() ? std::string() : found->second.text;
}

bool HeadlessHost::IsTicked(const std::string& name) const {
    Known(name);
    auto found = values_.find(name);
    return found != values_.end() && found->second.number != 0;
}

const std::vector<std::vector<std::string>>& HeadlessHost::Rows(const std::string& name) const {
    static const std::vector<std::vector<std::string>> kNone;
    Known(name);
    auto found = rows_.find(name);
    return found == rows_.end() ? kNone : found->second;
}

std::string HeadlessHost::CurrentTab(const std::string& sheet) const {
    auto found = currentTab_.find(sheet);
    return found == currentTab_.end() ? std::string() : found->second;
}

void HeadlessHost::OpenWindow(const WindowDeclaration& declaration) {
    declaration_ = &declaration;
    open_ = true;
    currentTab_.clear();
    for (const auto& control : declaration.controls)
        if (control.kind == ControlKind::Tab && !currentTab_.contains(control.parent))
            currentTab_[control.parent] = control.name;
}

void HeadlessHost::CloseWindow() {
    open_ = false;
    period_ = 0;
}

void HeadlessHost::SetTimer(int32_t hundredths) {
    period_ = std::max(hundredths, 0);
    nextTick_ = clock_.Ticks() + period_;
}

void HeadlessHost::Show(const Control& control, const ControlValue& value) {
    ++showCalls_;
    if (editing_ && control.name == focus_) return;  // never overwrite what the user is typing
    values_[control.name] = value;
}

void HeadlessHost::ShowRows(const Control& list, const std::vector<std::vector<std::string>>& rows) {
    ++showCalls_;
    rows_[list.name] = rows;
}

void HeadlessHost::ShowStatus(std::string_view text) { status_ = text; }

void HeadlessHost::ShowRowNotes(const Control& list, const std::vector<std::string>& notes) {
    notes_[list.name] = notes;
}

const std::vector<std::string>& HeadlessHost::RowNotes(const std::string& list) const {
    static const std::vector<std::string> kNone;
    Known(list);
    auto found = notes_.find(list);
    return found == notes_.end() ? kNone : found->second;
}

ControlValue HeadlessHost::Read(const Control& control) const {
    auto found = values_.find(control.name);
    return found == values_.end() ? ControlValue{} : found->second;
}

void HeadlessHost::MessageBox(std::string_view text, std::string_view caption) {
    messages_.push_back({std::string(text), std::string(caption)});
}

void HeadlessHost::DrawBox(const DrawnBox& box) { boxes_.push_back(box); }

void HeadlessHost::DrawCharacter(const DrawnCharacter& character) { characters_.push_back(character); }

void HeadlessHost::ClearDrawing() {
    boxes_.clear();
    characters_.clear();
}

Rect HeadlessHost::Position(const Control& control) const {
    return {control.x, control.y, control.width, control.height};
}

bool HeadlessHost::IsVisible(const Control& control) const {
    if (declaration_ == nullptr) return false;
    // A tab's own label shows whenever its sheet does; anything else needs every tab above it in front.
    const Control* at = control.parent.empty() ? nullptr : declaration_->Find(control.parent);
    for (int depth = 0; at != nullptr && depth < 16; ++depth) {
        if (at->kind == ControlKind::Tab && CurrentTab(at->parent) != at->name) return false;
        at = at->parent.empty() ? nullptr : declaration_->Find(at->parent);
    }
    return true;
}

void HeadlessHost::Post(int event) { platform::PostEvent(event); }

WindowEvent HeadlessHost::NextEvent() {
    if (auto event = platform::TakeEvent()) return {*event, ""};
    return {kCloseWindow, ""};
}

}  // namespace window
