// The window's drawing surface: a transparent layer over the sheets and
// under every other control, on which the focus highlighter's boxes and
// characters are painted. It never takes the mouse.
//
// GUI thread only.
#pragma once

#include <QWidget>
#include <vector>

#include "gui/dialog_units.h"
#include "window/host.h"

namespace gui {

class SurfaceOverlay : public QWidget {
public:
    SurfaceOverlay(const DialogUnits& units, QWidget* parent);

    void AddBox(const window::DrawnBox& box);
    void AddCharacter(const window::DrawnCharacter& character);
    void Clear();

    const std::vector<window::DrawnBox>& Boxes() const { return boxes_; }
    const std::vector<window::DrawnCharacter>& Characters() const { return characters_; }

    /// 0x00BBGGRR as a Qt colour.
    static QColor ColourOf(int32_t colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintBox(QPainter& painter, const window::DrawnBox& box) const;
    void PaintCharacter(QPainter& painter, const window::DrawnCharacter& character) const;

    DialogUnits units_;
    std::vector<window::DrawnBox> boxes_;
    std::vector<window::DrawnCharacter> characters_;
};

}  // namespace gui
