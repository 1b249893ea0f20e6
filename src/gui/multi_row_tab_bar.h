// A sheet's tab bar that wraps its tabs into as many rows as the sheet's
// width needs, as a window's sheets do, instead of hiding some behind scroll
// arrows. The row holding the current tab stands next to the pages. It is a
// QTabBar in everything but its painting and hit-testing, so the keyboard,
// the sheet's signals and the tabs' accessible names work as usual.
//
// GUI thread only.
#pragma once

#include <QTabBar>
#include <vector>

namespace gui {

class MultiRowTabBar : public QTabBar {
public:
    explicit MultiRowTabBar(QWidget* parent = nullptr);

    /// The width the tabs wrap within (the sheet's width, in pixels).
    void SetWrapWidth(int pixels);
    /// Where tab `index` is drawn now.
    QRect RowTabRect(int index) const;
    int Rows() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void tabLayoutChange() override;

private:
    /// Rectangles of every tab, row by row, the current tab's row last.
    std::vector<QRect> Layout() const;
    int TabWidth(int index) const;
    int RowHeight() const;

    int wrapWidth_ = 0;
};

}  // namespace gui
