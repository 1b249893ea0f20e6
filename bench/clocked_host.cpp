#include "bench/clocked_host.h"

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "platform/threads.h"
#include "window/events.h"

namespace bench {

int ClockedHost::Start(window::WindowManager& window) {
    window_ = &window;
    const int result = window.Start();
    RunPosted();
    return result;
}

void ClockedHost::RunPosted() {
    while (auto event = platform::TakeEvent())
        if (window_->Running()) window_->Dispatch({*event, ""});
}

void ClockedHost::RunUntil(std::chrono::steady_clock::time_point until) {
    using std::chrono::steady_clock;
    while (window_->Running()) {
        const auto now = steady_clock::now();
        if (now >= until) return;
        if (period_.count() > 0 && now >= nextTick_) {
            // A tick that fell behind is taken once, as a toolkit timer does.
            nextTick_ = std::max(nextTick_ + period_, now);
            ++ticks_;
            Act(window::kTimer, "");
            continue;
        }
        auto wake = period_.count() > 0 ? std::min(until, nextTick_) : until;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - now);
        if (auto event = platform::WaitEvent(wait)) {
            window_->Dispatch({*event, ""});
            RunPosted();
        }
    }
}

void ClockedHost::Close() {
    if (window_->Running()) Act(window::kCloseWindow, "");
    window_->Finish();
}

void ClockedHost::Act(int event, const std::string& field) {
    window_->Dispatch({event, field});
    RunPosted();
}

const window::Control* ClockedHost::ControlNamed(const std::string& name) const {
    const window::Control* control = declaration_ != nullptr ? declaration_->Find(name) : nullptr;
    if (control == nullptr) {
        std::cerr << "no control called " << name << "\n";
        std::exit(1);
    }
    return control;
}

void ClockedHost::Tick(const std::string& checkBox) {
    values_[ControlNamed(checkBox)].number = 1;
    Act(window::kAccepted, checkBox);
}

void ClockedHost::Enter(const std::string& control, const std::string& text) {
    values_[ControlNamed(control)].text = text;
    Act(window::kAccepted, control);
}

void ClockedHost::Press(const std::string& button) { Act(window::kAccepted, button); }

void ClockedHost::OpenWindow(const window::WindowDeclaration& declaration) { declaration_ = &declaration; }

void ClockedHost::CloseWindow() { period_ = std::chrono::milliseconds(0); }

void ClockedHost::SetTimer(int32_t hundredths) {
    period_ = std::chrono::milliseconds(10 * std::max(hundredths, 0));
    nextTick_ = std::chrono::steady_clock::now() + period_;
}

void ClockedHost::Show(const window::Control& control, const window::ControlValue& value) { values_[&control] = value; }

void ClockedHost::ShowRows(const window::Control& list, const std::vector<std::vector<std::string>>& rows) {
    rows_[&list] = rows;
}

window::ControlValue ClockedHost::Read(const window::Control& control) const {
    auto found = values_.find(&control);
    return found == values_.end() ? window::ControlValue{} : found->second;
}

void ClockedHost::MessageBox(std::string_view text, std::string_view caption) {
    std::cerr << "message box " << caption << ": " << text << "\n";
}

window::Rect ClockedHost::Position(const window::Control& control) const {
    return {control.x, control.y, control.width, control.height};
}

void ClockedHost::Post(int event) { platform::PostEvent(event); }

window::WindowEvent ClockedHost::NextEvent() {
    if (auto event = platform::TakeEvent()) return {*event, ""};
    return {window::kCloseWindow, ""};
}

}  // namespace bench
