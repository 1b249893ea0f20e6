// A developer's tour of the running window, for the README's pictures: it
// acts as a user would (ticks Request Inputs and Request All Counters on the
// Config tab, asks for a V-memory word off the controller's map so that an
// exception comes back, presses Open), lets the window's timer run, grabs the window
// with the raw list in front, then brings the Counters tab and the formatted
// list to the front, grabs it again, and closes the window with its close box.
//
// It only clicks widgets and reads pixels; the window's logic sees ordinary
// user actions. GUI thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <string>

namespace gui {

class QtWindowHost;

class ScreenshotTour {
public:
    /// Starts once the host's window shows. `ticks`: window timer ticks between
    /// pressing Open and the first grab.
    ScreenshotTour(QtWindowHost& host, QString file, int ticks = 40);
    ScreenshotTour(const ScreenshotTour&) = delete;
    ScreenshotTour& operator=(const ScreenshotTour&) = delete;

    /// The second picture's file: "shot.png" -> "shot-formated.png".
    static QString SecondFile(const QString& file);
    /// True once both pictures have been saved.
    bool Done() const { return done_; }

private:
    void WatchTicks();
    void Tick();
    void Start();
    void Click(const std::string& control);
    /// Types the digits of `text` into an entry, replacing its contents, and presses Enter.
    void Type(const std::string& control, const QString& text);
    void ShowTab(const std::string& sheet, const std::string& tab);
    void Grab(const QString& file);

    QtWindowHost& host_;
    QString file_;
    int ticks_;
    int seen_ = -1;  // ticks since the tour started; -1 before the first
    bool done_ = false;
    QTimer watch_;  // waits for the window to show
    QObject context_;
};

}  // namespace gui
