// Showing the window's variables and reading its controls: what the window
// shows is noted at once and put on screen at the view's own pace (after
// each tick, else at most once a screen frame; the lists at most five times
// a second while they keep changing), and a read sees the noted value.
//
// GUI thread only.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QSpinBox>
#include <algorithm>
#include <cmath>
#include <utility>

#include "gui/host_window.h"
#include "gui/qt_window_host.h"
#include "gui/queue_model.h"
#include "gui/status_line.h"
#include "platform/clock.h"

namespace gui {

using window::ControlKind;

bool QtWindowHost::DisplayWhenDue(std::function<void()> display) {
    display_ = std::move(display);
    displayDue_ = false;
    return true;
}

void QtWindowHost::DisplayDue() {
    displayDue_ = true;
    ShowSoon();
}

void QtWindowHost::DisplayIfDue() {
    if (std::exchange(displayDue_, false) && display_) display_();
}

// Notes the value; ShowNow puts it on screen if it is still there then.
void QtWindowHost::Show(const window::Control& control, const window::ControlValue& value) {
    Shown* shown = ShownOf(control);
    if (shown == nullptr || shown->value == value) return;
    shown->value = value;
    if (!shown->due) {
        shown->due = true;
        dueControls_.push_back(static_cast<std::size_t>(shown - shown_.data()));
    }
    ShowSoon();
}

void QtWindowHost::ShowRows(const window::Control& list, const std::vector<std::vector<std::string>>& rows) {
    QueueModel* model = Model(list.name);
    if (model == nullptr) return;
    if (auto due = dueRows_.find(list.name); due != dueRows_.end())
        due->second = rows;
    else if (model->CurrentRows() != rows)
        dueRows_.emplace(list.name, rows);
    else
        return;
    ShowSoon();
}

QtWindowHost::Shown* QtWindowHost::ShownOf(const window::Control& control) {
    if (declaration_ == nullptr || shown_.size() != declaration_->controls.size()) return nullptr;
    const window::Control* first = declaration_->controls.data();
    if (&control >= first && &control < first + shown_.size())
        return &shown_[static_cast<std::size_t>(&control - first)];
    const window::Control* found = declaration_->Find(control.name);
    return found == nullptr ? nullptr : &shown_[static_cast<std::size_t>(found - first)];
}

// While the timer runs, the window is brought up to date right after each
// tick (the list lengths are steady then); otherwise, and should a tick be
// late, one screen frame after the first change, at most once per frame and
// never more than a tenth of a second after a tick was due.
void QtWindowHost::ShowSoon() {
    // Within a tick, or while ShowNow is at work, the window is shown anyway
    // before the next event: arming the timer would only be undone.
    if (showTimer_.isActive() || !open_ || afterTick_ || inShowNow_) return;
    const qreal rate = window_ && window_->screen() ? window_->screen()->refreshRate() : 60.0;
    const qint64 frame = std::max<qint64>(16, static_cast<qint64>(std::ceil(1000.0 / std::max(rate, 1.0))));
    const qint64 interval = period_ > 0 ? std::min<qint64>(int64_t{period_} * 10 + frame, 100 + frame) : frame;
    const qint64 since = sinceShown_.isValid() ? sinceShown_.elapsed() : interval;
    showTimer_.start(static_cast<int>(std::clamp<qint64>(interval - since, 0, interval)));
}

void QtWindowHost::ShowNow() { ShowDue(Lists::All); }

// Lists whose rows change on every tick are brought up to date at most every
// kListPaceMs: the rows of a paced Display are not even made then, and the
// list timer asks for a Display with rows once the pace allows.
void QtWindowHost::ShowDue(Lists lists) {
    const bool paced = lists == Lists::Paced && ListsPaced();
    // The rows an earlier Display skipped.
    if (!paced && std::exchange(rowsHeld_, false)) displayDue_ = true;
    if (lists == Lists::All && std::exchange(hiddenSkipped_, false)) displayDue_ = true;
    if (displayDue_) sinceShown_.start();  // the next Display waits its interval even if this one changes nothing
    rowsWanted_ = paced ? Lists::Paced : lists == Lists::All ? Lists::All : Lists::Visible;
    inShowNow_ = true;
    DisplayIfDue();
    inShowNow_ = false;
    rowsWanted_ = Lists::Paced;
    if (rowsHeld_) HoldRows();  // still held: the list timer comes back
    showTimer_.stop();
    const bool listsDue = !rowsHeld_ && !(dueRows_.empty() && dueNotes_.empty());
    if (dueControls_.empty() && !listsDue) return;
    sinceShown_.start();
    ++shownUpdates_;
    for (std::size_t at : dueControls_) {
        Shown& shown = shown_[at];
        shown.due = false;
        if (shown.value) Apply(declaration_->controls[at], *shown.value);
    }
    dueControls_.clear();
    if (listsDue) ShowDueRows();
}

// The lists' rows and row notes as the window last handed them over, on screen.
void QtWindowHost::ShowDueRows() {
    if (!dueRows_.empty()) listsShownAt_ = platform::TheClock().Ticks();
    auto rows = std::move(dueRows_);
    dueRows_.clear();
    for (const auto& [list, shown] : rows)
        if (QueueModel* model = Model(list)) model->SetRows(shown);
    auto notes = std::move(dueNotes_);
    dueNotes_.clear();
    for (auto& [list, shown] : notes)
        if (QueueModel* model = Model(list)) model->SetNotes(std::move(shown));
}

void QtWindowHost::Apply(const window::Control& control, const window::ControlValue& value) {
    QWidget* widget = Widget(control.name);
    if (widget == nullptr) return;
    if (held_.contains(control.name)) {  // never overwrite what the user left there
        if (Shown* shown = ShownOf(control)) shown->value.reset();
        return;
    }
    const QString text = QString::fromStdString(value.text);
    showing_ = true;  // what the window shows is no user's change
    const auto shown = qScopeGuard([this] { showing_ = false; });
    switch (control.kind) {
        case ControlKind::CheckBox:
            static_cast<QCheckBox*>(widget)->setChecked(value.number != 0);
            break;
        case ControlKind::SpinBox: {
            auto* spin = static_cast<QSpinBox*>(widget);
            const QSignalBlocker quiet(spin);
            spin->setValue(static_cast<int>(std::clamp<int64_t>(value.number, spin->minimum(), spin->maximum())));
            break;
        }
        case ControlKind::Entry:
        case ControlKind::TextBox:
            if (auto* line = static_cast<QLineEdit*>(widget); line->text() != text) line->setText(text);
            break;
        case ControlKind::Prompt:
            if (auto* label = static_cast<QLabel*>(widget); label->text() != text) label->setText(text);
            break;
        default:
            break;
    }
}

void QtWindowHost::ShowStatus(std::string_view text) {
    if (status_ != nullptr) status_->SetText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

// Notes go on screen with the rows they belong to.
void QtWindowHost::ShowRowNotes(const window::Control& list, const std::vector<std::string>& notes) {
    if (Model(list.name) == nullptr) return;
    dueNotes_.insert_or_assign(list.name, notes);
    if (!inShowNow_) ShowSoon();
}

// Outside ShowDue (a Display before the window reads a control, or at
// opening) a visible list's rows wait for the list timer too.
bool QtWindowHost::RowsWanted(const window::Control& list) const {
    if (rowsWanted_ == Lists::All) return true;
    // The widget's own flags say what IsVisible works out from the declaration.
    const Shown* shown = const_cast<QtWindowHost*>(this)->ShownOf(list);
    const QWidget* view = shown != nullptr ? shown->widget : nullptr;
    if (view == nullptr || !window_ || !view->isVisibleTo(window_.get())) {  // made when its tab comes to the front
        hiddenSkipped_ = true;
        return false;
    }
    if (rowsWanted_ == Lists::Visible) return true;
    const_cast<QtWindowHost*>(this)->HoldRows();
    return false;
}

// Timed by the platform clock, which tests set by hand: the list timer only
// comes back to look, and the lists show once the clock says the pace allows.
int64_t QtWindowHost::SinceListsShownMs() const {
    return listsShownAt_ ? (platform::TheClock().Ticks() - *listsShownAt_) * 10 : kListPaceMs;
}

bool QtWindowHost::ListsPaced() const { return SinceListsShownMs() < kListPaceMs; }

void QtWindowHost::HoldRows() {
    rowsHeld_ = true;
    if (listTimer_.isActive()) return;
    listTimer_.start(static_cast<int>(std::clamp<int64_t>(kListPaceMs - SinceListsShownMs(), 10, kListPaceMs)));
}

// What the control shows, as the window last showed it when that is not on
// screen yet: a button acts on the values as of the last event, as it would
// had every event been drawn at once. What the user left in it wins.
window::ControlValue QtWindowHost::Read(const window::Control& control) const {
    QWidget* widget = Widget(control.name);
    if (widget == nullptr) return {};
    if (!held_.contains(control.name) && control.name != fromUser_) {
        auto* self = const_cast<QtWindowHost*>(this);  // reading first brings the noted values up to date
        self->DisplayIfDue();
        if (const Shown* shown = self->ShownOf(control); shown != nullptr && shown->due && shown->value)
            return *shown->value;
    }
    switch (control.kind) {
        case ControlKind::CheckBox:
            return {{}, static_cast<QCheckBox*>(widget)->isChecked() ? 1 : 0};
        case ControlKind::SpinBox:
            return {static_cast<QSpinBox*>(widget)->text().toStdString(), 0};
        case ControlKind::Entry:
        case ControlKind::TextBox:
            return {static_cast<QLineEdit*>(widget)->text().toStdString(), 0};
        default:
            return {};
    }
}

}  // namespace gui
