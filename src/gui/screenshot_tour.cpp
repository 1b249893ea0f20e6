#include "gui/screenshot_tour.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QPixmap>
#include <QTabWidget>
#include <QWidget>
#include <iostream>

#include "gui/qt_window_host.h"

namespace gui {

namespace {
constexpr int kTicksBeforeSecondGrab = 3;  // the newly shown tabs get their rows drawn
}

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
    Click("BOpen");
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
    if (!host_.Window()->grab().save(file, "PNG"))
        std::cerr << "brackwater: cannot save " << file.toStdString() << std::endl;
}

}  // namespace gui
