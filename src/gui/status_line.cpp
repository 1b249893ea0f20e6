#include "gui/status_line.h"

#include <QAccessible>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

namespace gui {

StatusLine::StatusLine(QWidget* window) : QStatusBar(window), label_(new QLabel(this)) {
    setObjectName(QStringLiteral("StatusLine"));
    setAccessibleName(QStringLiteral("Status"));
    setSizeGripEnabled(false);
    label_->setObjectName(QStringLiteral("StatusText"));
    label_->setTextFormat(Qt::PlainText);
    label_->setMinimumWidth(0);
    addWidget(label_, 1);
}

void StatusLine::SetText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    label_->setAccessibleName(text);
    label_->setToolTip(text);
    setAccessibleDescription(text);
    Elide();
    // Screen readers that follow the status bar hear the change.
    QAccessibleEvent changed(label_, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
}

void StatusLine::resizeEvent(QResizeEvent* event) {
    QStatusBar::resizeEvent(event);
    Elide();
}

void StatusLine::paintEvent(QPaintEvent* event) {
    QStatusBar::paintEvent(event);
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, 0, width() - 1, 0);
}

void StatusLine::Elide() {
    constexpr int kMargins = 12;  // the bar's layout margins around the label
    const int room = std::max(0, contentsRect().width() - kMargins);
    label_->setText(label_->fontMetrics().elidedText(text_, Qt::ElideRight, room));
}

}  // namespace gui
