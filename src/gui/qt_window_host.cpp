#include "gui/qt_window_host.h"

#include <QApplication>
#include <QCheckBox>
#include <QEnterEvent>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTreeView>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <utility>

#include "gui/host_window.h"
#include "gui/resources.h"
#include "gui/status_line.h"
#include "gui/surface_overlay.h"
#include "gui/widget_factory.h"
#include "platform/threads.h"
#include "window/events.h"

namespace gui {

using window::ControlKind;

namespace {
/// The status line's text starts where the left column's controls do.
constexpr int kStatusIndentUnits = 4;
}  // namespace

/// Wakes the window's loop when another thread posts to it. The host may be
/// gone by the time a post arrives; the lock keeps it from going mid-call.
/// Posts that come while a wake-up is on its way ride along with it, so a
/// burst from the network's thread wakes the window once.
struct PostWaker {
    std::mutex mutex;
    QObject* target = nullptr;
    QtWindowHost* host = nullptr;
    std::atomic<bool> queued{false};

    /// Any thread.
    void Wake() {
        if (queued.exchange(true)) return;
        std::lock_guard lock(mutex);
        if (target == nullptr) return;
        QMetaObject::invokeMethod(
            target,
            [this] {
                queued = false;  // before taking, so a later post wakes again
                host->TakePosted();
            },
            Qt::QueuedConnection);
    }
};

/// Tells the host when the pointer comes over a button or leaves it: links
/// on buttons turn hot and cold with it.
class PointerWatch : public QObject {
public:
    explicit PointerWatch(QtWindowHost& host) : host_(host) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Enter || event->type() == QEvent::Leave)
            host_.PointerMoved(static_cast<QWidget*>(watched), *event);
        return false;
    }

private:
    QtWindowHost& host_;
};

QtWindowHost::QtWindowHost() : waker_(std::make_shared<PostWaker>()) {
    pointerWatch_ = std::make_unique<PointerWatch>(*this);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &context_, [this] {
        for (const auto& event : pending_)
            if (event.event == window::kTimer) return;  // one tick waits already
        Enqueue(window::kTimer);
    });
    showTimer_.setSingleShot(true);
    QObject::connect(&showTimer_, &QTimer::timeout, &context_, [this] { ShowDue(Lists::Paced); });
    listTimer_.setSingleShot(true);
    QObject::connect(&listTimer_, &QTimer::timeout, &context_, [this] {
        if (rowsHeld_) ShowDue(Lists::Paced);
    });
    QObject::connect(qApp, &QApplication::focusChanged, &context_, [this](QWidget*, QWidget* now) { FocusMoved(now); });
    waker_->target = &context_;
    waker_->host = this;
    platform::SetPostHook([waker = waker_] { waker->Wake(); });
}

QtWindowHost::~QtWindowHost() {
    {
        std::lock_guard lock(waker_->mutex);
        waker_->target = nullptr;
    }
    platform::SetPostHook({});
    QObject::disconnect(qApp, nullptr, &context_, nullptr);
    timer_.stop();
    showTimer_.stop();
    listTimer_.stop();
    window_.reset();
}

// --- Events -------------------------------------------------------------

void QtWindowHost::Enqueue(int event, const std::string& field) {
    if (building_ || !open_) return;
    // The user's value stays on screen until the window has read it.
    if (event == window::kAccepted || event == window::kNewSelection) held_.insert(field);
    pending_.push_back({event, field});
}

void QtWindowHost::TakePosted() {
    while (auto event = platform::TakeEvent()) pending_.push_back({*event, {}});
}

void QtWindowHost::Post(int event) { platform::PostEvent(event); }

window::WindowEvent QtWindowHost::NextEvent() {
    fromUser_.clear();
    if (std::exchange(afterTick_, false)) ShowDue(Lists::Paced);  // the window has shown what the tick did
    // A steady stream of posted events (a peer flooding the connection) must
    // not keep the toolkit from its own turns: painting, input and timers get
    // one at least every kMostBusyMs.
    constexpr qint64 kMostBusyMs = 10;
    if (!busy_.isValid() || busy_.elapsed() >= kMostBusyMs) {
        if (busy_.isValid()) QCoreApplication::processEvents();
        busy_.start();
    }
    for (;;) {
        TakePosted();
        if (!pending_.empty()) {
            window::WindowEvent next = pending_.front();
            pending_.pop_front();
            // From here the window reads what was typed; afterwards it may show its own value again.
            if (next.event == window::kAccepted || next.event == window::kNewSelection) Release(next.field);
            afterTick_ = next.event == window::kTimer;
            return next;
        }
        if (!open_) return {window::kCloseWindow, {}};
        // One turn of the toolkit's loop, waiting until something happens. What
        // the window waits for (timer, input, the post waker) lands in pending_
        // within the turn; a nested QEventLoop would instead need a second
        // wake-up through the dispatcher to stop, on every tick. Objects left
        // to deleteLater are deleted here, as a loop of their own would.
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        busy_.start();
    }
}

void QtWindowHost::FocusMoved(QWidget* now) {
    const std::string name = ControlOf(now);
    if (!name.empty()) Enqueue(window::kSelected, name);
}

// The window shows its own value again from its next Display on.
void QtWindowHost::Release(const std::string& control) {
    held_.erase(control);
    fromUser_ = control;  // this event still reads what the user left there
    if (const window::Control* found = declaration_ ? declaration_->Find(control) : nullptr)
        if (Shown* shown = ShownOf(*found)) shown->value.reset();
}

void QtWindowHost::PointerMoved(QWidget* widget, const QEvent& event) {
    if (event.type() == QEvent::Enter && units_ && window_) {
        const QPoint at = widget->mapTo(window_.get(), static_cast<const QEnterEvent&>(event).position().toPoint());
        pointer_ = {units_->UnitsX(at.x()), units_->UnitsY(at.y())};
        Enqueue(window::kPointerEntered, ControlOf(widget));
    } else if (event.type() == QEvent::Leave) {
        pointer_ = {};
        Enqueue(window::kPointerLeft, ControlOf(widget));
    }
}

std::string QtWindowHost::ControlOf(QWidget* widget) const {
    for (QWidget* at = widget; at != nullptr; at = at->parentWidget()) {
        auto found = names_.find(at);
        if (found != names_.end()) return found->second;
    }
    return {};
}

// --- Timer ----------------------------------------------------------------

void QtWindowHost::SetTimer(int32_t hundredths) {
    period_ = std::max(hundredths, 0);
    if (period_ == 0) {
        timer_.stop();
        std::erase_if(pending_, [](const window::WindowEvent& event) { return event.event == window::kTimer; });
    } else
        timer_.start(period_ * 10);  // a new period counts from now
}

// --- Building -------------------------------------------------------------

void QtWindowHost::OpenWindow(const window::WindowDeclaration& declaration) {
    Build(declaration);
    open_ = true;
    window_->show();
    if (!screenshot_.isEmpty()) TakeScreenshotSoon();
}

void QtWindowHost::Build(const window::WindowDeclaration& declaration) {
    building_ = true;
    declaration_ = &declaration;
    window_ = std::make_unique<HostWindow>(HostWindow::Reports{
        [this] { Enqueue(window::kCloseWindow); },
        [this] { Enqueue(window::kMaximized); },
        [this] { Enqueue(window::kResize); },
        [this](QSize size) {
            if (overlay_ != nullptr) overlay_->setGeometry(0, 0, size.width(), size.height());
            PlaceStatusLine(size);
        },
    });
    window_->setObjectName(QStringLiteral("Window"));
    window_->setWindowTitle(QString::fromStdString(declaration.title));
    window_->setFont(FontFor(declaration.font, declaration.fontSize));
    window_->setWindowIcon(IconFor(declaration.icon));
    units_ = DialogUnits::Of(window_->font());
    shown_.assign(declaration.controls.size(), {});
    overlay_ = new SurfaceOverlay(*units_, window_.get());
    status_ = new StatusLine(window_.get());
    // The declared client area, and one line below it for the status.
    window_->resize(units_->X(declaration.width), units_->Y(declaration.height + StatusLine::kHeightUnits));
    for (const auto& control : declaration.controls) BuildControl(control);
    for (std::size_t at = 0; at < shown_.size(); ++at) shown_[at].widget = Widget(declaration.controls[at].name);
    GrowToFit();
    StackLayers();
    UpdateVisibility();
    building_ = false;
}

void QtWindowHost::BuildControl(const window::Control& control) {
    const window::Control* prompt = PromptOf(*declaration_, control);
    QWidget* widget = nullptr;
    if (control.kind == ControlKind::Tab) {
        auto sheet = sheets_.find(control.parent);
        if (sheet == sheets_.end()) return;
        widget = new QWidget();
        sheet->second->addTab(widget, QString::fromStdString(control.text));
    } else {
        widget = CreateWidget(control, window_.get(), *units_);
        if (widget == nullptr) return;
        if (control.width > 0 && control.height > 0) {
            widget->setGeometry(units_->ToPixels({control.x, control.y, control.width, control.height}));
            // A caption wider in the real font than in the layout's proportions gets its room.
            const bool captioned = control.kind == ControlKind::Button || control.kind == ControlKind::CheckBox ||
                                   control.kind == ControlKind::Prompt;
            if (captioned && !control.text.empty() && widget->sizeHint().width() > widget->width())
                widget->resize(widget->sizeHint().width(), widget->height());
        } else {
            widget->adjustSize();
            widget->move(units_->X(control.x), units_->Y(control.y));
        }
    }
    widget->setObjectName(QString::fromStdString(control.name));
    widget->setAccessibleName(AccessibleNameOf(control, prompt));
    if (prompt != nullptr)
        if (auto* label = qobject_cast<QLabel*>(Widget(prompt->name))) label->setBuddy(widget);
    widgets_[control.name] = widget;
    names_[widget] = control.name;
    Connect(control, widget);
}

void QtWindowHost::Connect(const window::Control& control, QWidget* widget) {
    const std::string name = control.name;
    switch (control.kind) {
        case ControlKind::Button:
            QObject::connect(static_cast<QPushButton*>(widget), &QPushButton::clicked, &context_,
                             [this, name] { Enqueue(window::kAccepted, name); });
            widget->installEventFilter(pointerWatch_.get());
            break;
        case ControlKind::CheckBox:
            // Toggled, not clicked: an accessibility Toggle action changes the box without a click.
            QObject::connect(static_cast<QCheckBox*>(widget), &QCheckBox::toggled, &context_, [this, name] {
                if (!showing_) Enqueue(window::kAccepted, name);
            });
            break;
        case ControlKind::SpinBox:
        case ControlKind::Entry:
        case ControlKind::TextBox:
            ConnectEntry(control, widget);
            break;
        case ControlKind::Sheet: {
            auto* sheet = static_cast<QTabWidget*>(widget);
            sheets_[name] = sheet;
            QObject::connect(sheet, &QTabWidget::currentChanged, &context_, [this, name] {
                if (building_) return;
                UpdateVisibility();
                // A list that was hidden shows its rows as they are now, not as they were.
                displayDue_ = true;
                ShowDue(Lists::Visible);
                Enqueue(window::kTabChanging, name);
                Enqueue(window::kNewSelection, name);
            });
            break;
        }
        case ControlKind::List:
            models_[name] = static_cast<QueueModel*>(static_cast<QTreeView*>(widget)->model());
            break;
        default:
            break;
    }
}

// Typing holds an entry; the window is told when the entry is completed (Tab,
// Enter or a click elsewhere), and a spin box's arrows tell it at once.
void QtWindowHost::ConnectEntry(const window::Control& control, QWidget* widget) {
    const std::string name = control.name;
    auto accept = [this, name](bool typedOnly) {
        if (typedOnly && !held_.contains(name)) return;
        if (!pending_.empty() && pending_.back().event == window::kAccepted && pending_.back().field == name) return;
        Enqueue(window::kAccepted, name);
    };
    QLineEdit* line = nullptr;
    if (auto* spin = dynamic_cast<PictureSpinBox*>(widget)) {
        line = spin->findChild<QLineEdit*>();
        QObject::connect(spin, &QSpinBox::valueChanged, &context_, [this, name] {
            if (!building_ && !held_.contains(name)) Enqueue(window::kNewSelection, name);
        });
        QObject::connect(spin, &QAbstractSpinBox::editingFinished, &context_, [accept] { accept(true); });
    } else {
        line = static_cast<QLineEdit*>(widget);
        QObject::connect(line, &QLineEdit::editingFinished, &context_, [accept] { accept(true); });
        QObject::connect(line, &QLineEdit::returnPressed, &context_, [accept] { accept(false); });
        // Text set without typing (an accessibility value, a test tool) is complete at once.
        QObject::connect(line, &QLineEdit::textChanged, &context_, [this, line, accept] {
            if (!showing_ && !line->isModified()) accept(false);
        });
    }
    if (line != nullptr)
        QObject::connect(line, &QLineEdit::textEdited, &context_, [this, name] { held_.insert(name); });
}

// A list whose columns, sized by the real font, need more room than the
// layout gives it widens the window by what is missing: the controls right of
// the list's middle move right by as much, those that span it grow with it,
// so every control keeps its place and order.
void QtWindowHost::GrowToFit() {
    for (const auto& control : declaration_->controls) {
        auto* view = control.kind == ControlKind::List ? qobject_cast<QTreeView*>(Widget(control.name)) : nullptr;
        if (view == nullptr) continue;
        int declared = 0;
        for (const auto& column : control.columns) declared += units_->X(column.width);
        const int chrome = 2 * view->frameWidth() + view->verticalScrollBar()->sizeHint().width();
        const int missing = view->header()->length() - std::max(view->width() - chrome, declared);
        if (missing <= grow_) continue;
        grow_ = missing;
        seam_ = view->geometry().center().x();
    }
    if (grow_ <= 0) return;
    for (const auto& control : declaration_->controls) {
        QWidget* widget = control.kind == ControlKind::Tab ? nullptr : Widget(control.name);
        if (widget == nullptr) continue;
        const QRect at = widget->geometry();
        if (at.left() >= seam_)
            widget->move(at.x() + grow_, at.y());
        else if (at.right() > seam_)
            widget->resize(at.width() + grow_, at.height());
    }
    window_->resize(window_->width() + grow_, window_->height());
}

// Sheets lie at the bottom, the drawing surface above them, every other control on top.
void QtWindowHost::StackLayers() {
    overlay_->raise();
    for (const auto& control : declaration_->controls) {
        if (control.kind == ControlKind::Sheet || control.kind == ControlKind::Tab) continue;
        if (QWidget* widget = Widget(control.name)) widget->raise();
    }
    status_->raise();
}

// The status line stays under the declared client area, as wide as the window.
void QtWindowHost::PlaceStatusLine(QSize size) {
    if (status_ == nullptr || !units_ || declaration_ == nullptr) return;
    const int top = units_->Y(declaration_->height);
    const int indent = units_->X(kStatusIndentUnits);
    status_->setContentsMargins(indent, 0, indent, 0);
    status_->setGeometry(0, top, size.width(), units_->Y(declaration_->height + StatusLine::kHeightUnits) - top);
}

void QtWindowHost::UpdateVisibility() {
    for (const auto& control : declaration_->controls) {
        if (control.kind == ControlKind::Tab) continue;
        if (QWidget* widget = Widget(control.name)) widget->setVisible(IsVisible(control));
    }
}

// --- Geometry and lookups -----------------------------------------------

window::Rect QtWindowHost::Position(const window::Control& control) const {
    window::Rect at{control.x, control.y, control.width, control.height};
    if (grow_ > 0 && units_) {  // as GrowToFit placed it
        if (units_->X(at.x) >= seam_)
            at.x += units_->UnitsX(grow_);
        else if (units_->X(at.x + at.width) - 1 > seam_)
            at.width += units_->UnitsX(grow_);
    }
    const QWidget* widget = Widget(control.name);
    if (widget != nullptr && units_ && (at.width == 0 || at.height == 0)) {
        at.width = units_->UnitsX(widget->width());
        at.height = units_->UnitsY(widget->height());
    }
    return at;
}

bool QtWindowHost::IsVisible(const window::Control& control) const {
    if (declaration_ == nullptr) return false;
    // A tab's label shows whenever its sheet does; anything else needs every tab above it in front.
    const window::Control* at = control.parent.empty() ? nullptr : declaration_->Find(control.parent);
    for (int depth = 0; at != nullptr && depth < 16; ++depth) {
        if (at->kind == ControlKind::Tab) {
            auto sheet = sheets_.find(at->parent);
            if (sheet == sheets_.end() || sheet->second->currentWidget() != Widget(at->name)) return false;
        }
        at = at->parent.empty() ? nullptr : declaration_->Find(at->parent);
    }
    return true;
}

QWidget* QtWindowHost::Window() const { return window_.get(); }

QWidget* QtWindowHost::Widget(std::string_view control) const {
    auto found = widgets_.find(control);
    return found == widgets_.end() ? nullptr : found->second;
}

QueueModel* QtWindowHost::Model(std::string_view list) const {
    auto found = models_.find(list);
    return found == models_.end() ? nullptr : found->second;
}

// --- Drawing, messages, closing ----------------------------------------------

void QtWindowHost::DrawBox(const window::DrawnBox& box) {
    if (overlay_ != nullptr) overlay_->AddBox(box);
}

void QtWindowHost::DrawCharacter(const window::DrawnCharacter& character) {
    if (overlay_ != nullptr) overlay_->AddCharacter(character);
}

void QtWindowHost::ClearDrawing() {
    if (overlay_ != nullptr) overlay_->Clear();
}

void QtWindowHost::CloseWindow() {
    SetTimer(0);
    showTimer_.stop();
    listTimer_.stop();
    open_ = false;
    if (window_) window_->CloseForGood();
}

void QtWindowHost::ScreenshotThenClose(const QString& file) {
    screenshot_ = file;
    if (open_) TakeScreenshotSoon();
}

// A moment after the window shows, so its first ticks have filled it in.
void QtWindowHost::TakeScreenshotSoon() {
    QTimer::singleShot(1500, &context_, [this, file = screenshot_] {
        ShowNow();
        if (window_) window_->grab().save(file, "PNG");
        Enqueue(window::kCloseWindow);
    });
}

}  // namespace gui
