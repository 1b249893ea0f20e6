// The top-level window: reports the close box, maximizing and resizing to
// its host instead of acting on them, so the window's logic decides.
//
// GUI thread only.
#pragma once

#include <QWidget>
#include <functional>

namespace gui {

class HostWindow : public QWidget {
public:
    struct Reports {
        std::function<void()> closeBox;
        std::function<void()> maximized;
        std::function<void()> resized;
        std::function<void(QSize)> layout;  // every size change, also before the window shows
    };

    explicit HostWindow(Reports reports);
    /// Lets the next close go through (the window's logic has decided to close).
    void CloseForGood();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    Reports reports_;
    bool closing_ = false;
};

}  // namespace gui
