// One widget per declared control: its kind, text, font, picture limits,
// object name (the control's name) and accessible name. Placing, showing and
// wiring the widgets is the host's work.
//
// GUI thread only.
#pragma once

#include <QHeaderView>
#include <QSpinBox>
#include <QTabWidget>
#include <QWidget>
#include <string>

#include "gui/dialog_units.h"
#include "gui/multi_row_tab_bar.h"
#include "window/control.h"
#include "window/picture.h"

namespace gui {

/// A spin box that shows and reads its value under a display picture ("n04" shows 0007).
class PictureSpinBox : public QSpinBox {
public:
    PictureSpinBox(const std::string& picture, QWidget* parent);

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString& text) const override;

private:
    window::Picture picture_;
};

/// A sheet whose tabs wrap into rows within its width.
class SheetWidget : public QTabWidget {
public:
    explicit SheetWidget(QWidget* parent);
    MultiRowTabBar* Bar() const { return bar_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    MultiRowTabBar* bar_;
};

/// A list's column header that keeps its size hint and is not laid out and
/// repainted again when rows come and go. The tree view asks for the hint on
/// every layout of its rows (every update of a busy list) and the header
/// would measure every caption through the style each time, and it would
/// lay itself out and repaint for every row inserted or removed; its captions
/// and widths depend on neither (the columns are sized by the layout and the
/// user, never to their contents).
class ListHeader : public QHeaderView {
public:
    explicit ListHeader(QWidget* parent);
    QSize sizeHint() const override;
    void doItemsLayout() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    mutable QSize hint_;
};

/// Creates the widget of `control` as a child of `client`; null for tabs,
/// which are pages of their sheet.
QWidget* CreateWidget(const window::Control& control, QWidget* client, const DialogUnits& units);

/// A caption without its shortcut marks ("&Open" -> "Open", "&&" -> "&").
QString WithoutShortcut(const std::string& text);

/// The name a screen reader speaks for `control`: a button's, box's or tab's
/// own text; the text of the prompt before an entry without its colon; else
/// the declared name. `prompt` is the prompt standing before the control, if any.
QString AccessibleNameOf(const window::Control& control, const window::Control* prompt);

/// The prompt that labels `control`: the prompt declared just before it, when
/// its text ends with a colon.
const window::Control* PromptOf(const window::WindowDeclaration& declaration, const window::Control& control);

}  // namespace gui
