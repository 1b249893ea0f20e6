#include "window/window_manager.h"

#include <algorithm>

#include "platform/fixed_text.h"
#include "window/picture.h"

namespace window {

WindowManager::WindowManager(WindowHost& host, const WindowDeclaration& declaration, Bindings& bindings)
    : host_(host), declaration_(declaration), bindings_(bindings) {}

WindowManager::~WindowManager() {
    if (displayWhenDue_) host_.DisplayWhenDue({});
}

int WindowManager::Init() { return kLevelBenign; }

int WindowManager::TakeEvent() {
    if (IsWindowEvent(event_)) return TakeWindowEvent();
    if (!IsFieldEvent(event_)) return kLevelBenign;  // posted numbers belong to whoever posted them
    switch (event_) {
        case kAccepted:
            return TakeAccepted();
        case kNewSelection:
            return TakeNewSelection();
        default:
            return TakeFieldEvent();
    }
}

int WindowManager::TakeAccepted() {
    if (!closeButton_.empty() && field_ == closeButton_) {
        Response = closeResponse_;
        host_.Post(kCloseWindow);
    }
    return kLevelBenign;
}

int WindowManager::TakeNewSelection() { return kLevelBenign; }

int WindowManager::TakeFieldEvent() { return kLevelBenign; }

int WindowManager::TakeWindowEvent() {
    return (event_ == kCloseWindow || event_ == kCloseDown) ? kLevelFatal : kLevelBenign;
}

int WindowManager::Kill() {
    if (killed_) return kLevelNotify;
    killed_ = true;
    ending_ = true;
    if (displayWhenDue_) host_.DisplayWhenDue({});
    displayWhenDue_ = false;
    if (opened_) {
        host_.SetTimer(0);
        host_.CloseWindow();
    }
    return kLevelBenign;
}

int WindowManager::Run() {
    if (Start() == kLevelBenign) {
        while (Running()) Dispatch(host_.NextEvent());
    }
    return Finish();
}

int WindowManager::Start() {
    started_ = true;
    int result = Init();
    if (result != kLevelBenign) ending_ = true;
    return result;
}

void WindowManager::Dispatch(const WindowEvent& event) {
    if (!opened_ || !Running()) return;
    // A tick that was waiting when the timer stopped belongs to a timer that no
    // longer runs: running it would undo the stop (send, reopen, show period 0).
    if (event.event == kTimer && timer_ == 0) return;
    event_ = event.event;
    field_ = event.field;
    // The user's own events may leave a control showing what the user typed
    // (a refused number, a released entry): the next Display shows every
    // control again. Ticks and posted packets change only variables.
    if (IsFieldEvent(event_) || (IsWindowEvent(event_) && event_ != kTimer)) showEveryControl_ = true;
    if (event_ == kAccepted || event_ == kNewSelection) Update(field_);
    if (TakeEvent() == kLevelFatal) ending_ = true;
    if (Running()) {
        if (displayWhenDue_)
            host_.DisplayDue();
        else
            Display();
    }
    event_ = kNoEvent;
    field_.clear();
}

int WindowManager::Finish() {
    ending_ = true;
    Kill();
    return Response == kRequestNone ? int{kRequestCancelled} : int{Response};
}

void WindowManager::Update() {
    for (const auto& control : declaration_.controls)
        if (control.TakesInput()) UpdateControl(control);
}

void WindowManager::Update(std::string_view name) {
    if (const Control* control = declaration_.Find(name); control && control->TakesInput()) UpdateControl(*control);
}

void WindowManager::UpdateControl(const Control& control) {
    Variable* variable = bindings_.Find(control.use);
    if (variable == nullptr || !opened_) return;
    ControlValue typed = host_.Read(control);
    Picture picture = Picture::Of(control.picture);
    switch (control.kind) {
        case ControlKind::CheckBox:
            variable->SetNumber(typed.number != 0 ? 1 : 0);
            break;
        case ControlKind::SpinBox: {
            int64_t value = picture.ParseNumber(typed.text);
            if (control.range.high > control.range.low)
                value = std::clamp(value, control.range.low, control.range.high);
            variable->SetNumber(value);
            break;
        }
        case ControlKind::Entry:
            if (variable->IsText())
                variable->SetText(picture.ParseText(typed.text));
            else
                TakeNumber(control, *variable, picture, typed.text);
            break;
        default:
            variable->SetText(typed.text);
            break;
    }
}

// A number the field or the picture cannot hold is refused, never wrapped: the
// variable keeps its value, which the entry shows again after the event, and
// the user is told what the entry takes. The value already held always passes,
// so a wide computed value shown in a narrow picture is not refused on Update.
void WindowManager::TakeNumber(const Control& control, Variable& variable, const Picture& picture,
                               std::string_view typed) {
    const std::optional<int64_t> value = picture.ReadNumber(typed);
    const int64_t low = std::max(picture.Lowest(), variable.Lowest());
    const int64_t high = std::min(picture.Highest(), variable.Highest());
    if (value && (*value == variable.Number() || (*value >= low && *value <= high))) {
        variable.SetNumber(*value);
        return;
    }
    const Control* prompt = declaration_.PromptOf(control);
    const std::string label = prompt != nullptr ? prompt->text.substr(0, prompt->text.size() - 1) : control.name;
    Message(label + ": \"" + std::string(platform::CutUtf8(typed, 20)) +
                "\" was not taken.|Enter a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                ".",
            declaration_.title);
}

void WindowManager::Display() {
    if (!IsOpen()) return;
    std::vector<ShowPlan>& plans = Plans();
    fieldWatch_.Look(showEveryControl_, [&](std::size_t at) {
        Watched& watched = watched_[at];
        const int64_t number = ReadField(watched.field);
        if (watched.known && !showEveryControl_ && number == watched.shown) return;
        watched.shown = number;
        watched.known = true;
        ShowNumber(plans[watched.plan], number);
    });
    for (std::size_t at : others_) {
        if (plans[at].control->kind == ControlKind::List)
            ShowList(plans[at]);
        else
            ShowText(plans[at]);
    }
    showEveryControl_ = false;
    if (afterDisplay_) afterDisplay_();
}

std::vector<WindowManager::ShowPlan>& WindowManager::Plans() {
    if (plansMade_ && plansVersion_ == bindings_.Version()) return plans_;
    plans_.clear();
    for (const auto& control : declaration_.controls) {
        if (control.use.empty()) continue;
        ShowPlan plan;
        plan.control = &control;
        if (control.kind == ControlKind::List) {
            plan.rows = bindings_.FindRows(control.use);
            if (plan.rows == nullptr) continue;
            for (const auto& column : control.columns) plan.columns.push_back(Picture::Of(column.picture));
        } else {
            plan.variable = bindings_.Find(control.use);
            if (plan.variable == nullptr) continue;
            plan.picture = Picture::Of(control.picture);
        }
        plans_.push_back(std::move(plan));
    }
    watched_.clear();
    others_.clear();
    for (std::size_t at = 0; at < plans_.size(); ++at) {
        const ShowPlan& plan = plans_[at];
        const Variable::Field field = plan.variable != nullptr ? plan.variable->Where() : Variable::Field{};
        if (field.address != nullptr)
            watched_.push_back({field, 0, at, false});
        else
            others_.push_back(at);
    }
    std::vector<Variable::Field> fields;
    fields.reserve(watched_.size());
    for (const Watched& watched : watched_) fields.push_back(watched.field);
    fieldWatch_.Watch(fields);
    plansVersion_ = bindings_.Version();
    plansMade_ = true;
    return plans_;
}

void WindowManager::ShowText(ShowPlan& plan) {
    std::string text = plan.variable->Text();
    if (plan.known && !showEveryControl_ && text == plan.text) return;
    plan.text = std::move(text);
    plan.known = true;
    ControlValue shown;  // a text's number is 0: a check box bound to one is not ticked
    if (plan.control->kind != ControlKind::CheckBox) shown.text = plan.picture.Format(plan.text);
    host_.Show(*plan.control, shown);
}

void WindowManager::ShowNumber(const ShowPlan& plan, int64_t number) {
    ControlValue shown;
    if (plan.control->kind == ControlKind::CheckBox) {
        shown.number = number == 1 ? 1 : 0;
    } else {
        shown.number = number;
        shown.text = plan.picture.Format(number);
    }
    host_.Show(*plan.control, shown);
}

void WindowManager::ShowList(ShowPlan& plan) {
    static const Picture kAsItIs = Picture::Of("");
    if (!host_.RowsWanted(*plan.control)) return;
    (*plan.rows)(plan.fresh);
    if (plan.known && !showEveryControl_ && plan.fresh == plan.source) return;
    std::swap(plan.fresh, plan.source);
    plan.known = true;
    std::vector<std::vector<std::string>> rows;
    rows.reserve(plan.source.size());
    for (const Row& row : plan.source) {
        std::vector<std::string> cells;
        cells.reserve(row.size());
        for (std::size_t column = 0; column < row.size(); ++column) {
            const Picture& picture = column < plan.columns.size() ? plan.columns[column] : kAsItIs;
            const Cell& cell = row[column];
            cells.push_back(std::holds_alternative<int64_t>(cell) ? picture.Format(std::get<int64_t>(cell))
                                                                  : picture.Format(std::get<std::string>(cell)));
        }
        rows.push_back(std::move(cells));
    }
    host_.ShowRows(*plan.control, rows);
}

void WindowManager::Open() {
    if (opened_) return;
    opened_ = true;
    host_.OpenWindow(declaration_);
    host_.SetTimer(timer_);
    displayWhenDue_ = host_.DisplayWhenDue([this] { Display(); });
    Display();
    host_.Post(kOpenWindow);
}

void WindowManager::SetTimer(int32_t hundredths) {
    timer_ = std::max(hundredths, 0);
    if (IsOpen()) host_.SetTimer(timer_);
}

void WindowManager::Message(std::string_view text, std::string_view caption) { host_.MessageBox(text, caption); }

void WindowManager::SetCloseButton(std::string control, uint8_t response) {
    closeButton_ = std::move(control);
    closeResponse_ = response;
}

}  // namespace window
