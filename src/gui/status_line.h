// The status line under the window's declared controls: one line that says how
// the connection stands and names the last exception reply. The text is cut
// with an ellipsis to the window's width; its whole text stays the label's
// accessible name and tooltip, and the line itself is the "Status" status bar a
// screen reader reads.
//
// GUI thread only.
#pragma once

#include <QLabel>
#include <QStatusBar>
#include <QString>

namespace gui {

class StatusLine : public QStatusBar {
public:
    /// Dialog units the line takes below the declared client area: a line of
    /// text (8) with one unit above and below.
    static constexpr int kHeightUnits = 10;

    explicit StatusLine(QWidget* window);

    void SetText(const QString& text);
    /// The whole text, as last set.
    const QString& Text() const { return text_; }
    QLabel* Label() const { return label_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    /// The bar, and a rule along its top that parts it from the controls.
    void paintEvent(QPaintEvent* event) override;

private:
    void Elide();

    QLabel* label_;
    QString text_;
};

}  // namespace gui
