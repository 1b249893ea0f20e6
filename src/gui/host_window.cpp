#include "gui/host_window.h"

#include <QCloseEvent>
#include <QResizeEvent>

namespace gui {

HostWindow::HostWindow(Reports reports) : reports_(std::move(reports)) {}

void HostWindow::CloseForGood() {
    closing_ = true;
    close();
}

void HostWindow::closeEvent(QCloseEvent* event) {
    if (closing_) {
        event->accept();
        return;
    }
    event->ignore();  // the window's logic decides, and closes it through its host
    if (reports_.closeBox) reports_.closeBox();
}

void HostWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (reports_.layout) reports_.layout(event->size());
    if (isVisible() && event->oldSize().isValid() && reports_.resized) reports_.resized();
}

void HostWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    const bool nowMaximized = (windowState() & Qt::WindowMaximized) != 0;
    if (nowMaximized && (change->oldState() & Qt::WindowMaximized) == 0 && reports_.maximized) reports_.maximized();
}

}  // namespace gui
