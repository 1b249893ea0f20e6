#include "gui/screenshot_tour.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QTabWidget>
#include <QWidget>
#include <iostream>

#include "gui/qt_window_host.h"

namespace gui {

namespace {
constexpr int kTicksBeforeSecondGrab = 3;  // the newly shown tabs get their rows drawn
constexpr int kAddressOffTheMap = 30000;   // V memory ends at 17055 (V41237)
}  // namespace

ScreenshotTour::ScreenshotTour(QtWindowHost& host, QString file, int ticks)
    : host_(host), file_(std::move(file)), ticks_(ticks) {
    watch_.setInterval(50);
    QObject::connect(&watch_, &QTimer::timeout, &context_, [this] { WatchTicks(); });
    watch_.start();
}

QString ScreenshotTour::SecondFile(const QString& file) {
    const QFileInfo info(file);
    const QString suffix = info.suffix().isEmpty() ? QString() : "." + info.suffix();
    const QString stem = suffix.isEmpty() ? file : file.left(file.size() - suffix.size());
    return stem + "-formated" + suffix;
}

// The window's timer is the tour's clock, so it follows the window's own pace.
void ScreenshotTour::WatchTicks() {
    if (host_.Window() == nullptr || !host_.Window()->isVisible()) return;
    watch_.stop();
    QObject::connect(&host_.Timer(), &QTimer::timeout, &context_, [this] { Tick(); });
}

void ScreenshotTour::Tick() {
    if (done_) return;
    ++seen_;
    if (seen_ == 0) return Start();  // after the first tick, as a user would start
    if (seen_ == ticks_) {
        Grab(file_);
        ShowTab("Sheet1", "Tab_Counters");
        ShowTab("Sheet2", "Tab_Formated");
    } else if (seen_ == ticks_ + kTicksBeforeSecondGrab) {
        Grab(SecondFile(file_));
        done_ = true;
        host_.Window()->close();  // the close box: the window saves and ends as usual
    }
}

void ScreenshotTour::Start() {
    Click("RequestInputs");
    Click("RequestAllCounters");
    // A V-memory word off the DL06 map: the controller answers exception 02,
    // which the status line and the Formated list name.
    ShowTab("Sheet1", "Tab_VMem");
    Type("VMemAddr", QString::number(kAddressOffTheMap));
    Click("BRequestVMem");
    ShowTab("Sheet1", "Tab_Config");
    Click("BOpen");
}

// As the keyboard does it, so the window holds the typed value until it reads it.
void ScreenshotTour::Type(const std::string& control, const QString& text) {
    auto* entry = qobject_cast<QLineEdit*>(host_.Widget(control));
    if (entry == nullptr) return;
    entry->selectAll();
    for (const QChar character : text) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_0 + character.digitValue(), Qt::NoModifier, QString(character));
        QApplication::sendEvent(entry, &key);
    }
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(entry, &enter);
}

void ScreenshotTour::Click(const std::string& control) {
    if (auto* button = qobject_cast<QAbstractButton*>(host_.Widget(control))) button->click();
}

void ScreenshotTour::ShowTab(const std::string& sheet, const std::string& tab) {
    auto* tabs = qobject_cast<QTabWidget*>(host_.Widget(sheet));
    QWidget* page = host_.Widget(tab);
    if (tabs != nullptr && page != nullptr) tabs->setCurrentWidget(page);
}

void ScreenshotTour::Grab(const QString& file) {
    host_.ShowNow();
    if (!host_.Window()->grab().save(file, "PNG"))
        std::cerr << "brackwater: cannot save " << file.toStdString() << std::endl;
}

}  // namespace gui
