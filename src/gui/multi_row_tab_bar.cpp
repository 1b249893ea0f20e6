#include "gui/multi_row_tab_bar.h"

#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>

namespace gui {
namespace {
constexpr int kPadding = 5;  // pixels each side of a tab's text
}

MultiRowTabBar::MultiRowTabBar(QWidget* parent) : QTabBar(parent) {
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    setExpanding(false);
    setDrawBase(false);
}

void MultiRowTabBar::SetWrapWidth(int pixels) {
    wrapWidth_ = pixels;
    updateGeometry();
    update();
}

// Compact tabs, as a window's sheets draw them: the label with a little room each side.
int MultiRowTabBar::TabWidth(int index) const { return fontMetrics().horizontalAdvance(tabText(index)) + 2 * kPadding; }

int MultiRowTabBar::RowHeight() const { return fontMetrics().height() + 4; }

std::vector<QRect> MultiRowTabBar::Layout() const {
    const int limit = wrapWidth_ > 0 ? wrapWidth_ : width();
    std::vector<int> rowOf(static_cast<std::size_t>(count()));
    std::vector<int> xOf(static_cast<std::size_t>(count()));
    int row = 0;
    int x = 0;
    for (int i = 0; i < count(); ++i) {
        const int w = TabWidth(i);
        if (x > 0 && x + w > limit) {
            ++row;
            x = 0;
        }
        rowOf[static_cast<std::size_t>(i)] = row;
        xOf[static_cast<std::size_t>(i)] = x;
        x += w;
    }
    const int rows = row + 1;
    const int currentRow = currentIndex() >= 0 ? rowOf[static_cast<std::size_t>(currentIndex())] : rows - 1;
    std::vector<QRect> rects;
    for (int i = 0; i < count(); ++i) {
        int r = rowOf[static_cast<std::size_t>(i)];
        // The current row moves to the bottom; the rows below it move up one place.
        int place = r == currentRow ? rows - 1 : (r > currentRow ? r - 1 : r);
        rects.emplace_back(xOf[static_cast<std::size_t>(i)], place * RowHeight(), TabWidth(i), RowHeight());
    }
    return rects;
}

int MultiRowTabBar::Rows() const {
    int rows = 0;
    for (const QRect& rect : Layout()) rows = std::max(rows, rect.y() / RowHeight() + 1);
    return rows;
}

QRect MultiRowTabBar::RowTabRect(int index) const {
    const auto rects = Layout();
    return index >= 0 && index < static_cast<int>(rects.size()) ? rects[static_cast<std::size_t>(index)] : QRect();
}

QSize MultiRowTabBar::sizeHint() const {
    return QSize(wrapWidth_ > 0 ? wrapWidth_ : QTabBar::sizeHint().width(), std::max(Rows(), 1) * RowHeight());
}

QSize MultiRowTabBar::minimumSizeHint() const { return sizeHint(); }

void MultiRowTabBar::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    const auto rects = Layout();
    for (int pass = 0; pass < 2; ++pass) {  // the current tab last, over its neighbours
        for (int i = 0; i < count(); ++i) {
            if ((i == currentIndex()) != (pass == 1)) continue;
            QStyleOptionTab option;
            initStyleOption(&option, i);
            option.rect = rects[static_cast<std::size_t>(i)];
            option.position = QStyleOptionTab::Middle;
            option.selectedPosition = QStyleOptionTab::NotAdjacent;
            painter.drawControl(QStyle::CE_TabBarTabShape, option);
            painter.setPen(
                palette().color(isTabEnabled(i) ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
            painter.drawText(option.rect, Qt::AlignCenter | Qt::TextShowMnemonic, tabText(i));
        }
    }
}

void MultiRowTabBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const auto rects = Layout();
    for (int i = 0; i < count(); ++i) {
        if (!rects[static_cast<std::size_t>(i)].contains(event->position().toPoint())) continue;
        emit tabBarClicked(i);
        setCurrentIndex(i);
        update();
        return;
    }
}

void MultiRowTabBar::mouseMoveEvent(QMouseEvent*) {}

void MultiRowTabBar::mouseReleaseEvent(QMouseEvent*) {}

void MultiRowTabBar::tabLayoutChange() {
    updateGeometry();
    update();
}

}  // namespace gui
