// Dialog units: the window's layout is written in units of its font, so it
// keeps its proportions whatever face the system substitutes. One unit is a
// quarter of the font's average character width across and an eighth of its
// height down.
#pragma once

#include <QFont>
#include <QRect>

#include "window/host.h"

namespace gui {

class DialogUnits {
public:
    /// Units of `font`: the average width of the 52 letters and the line height.
    static DialogUnits Of(const QFont& font);
    DialogUnits(double averageWidth, int height) : averageWidth_(averageWidth), height_(height) {}

    int X(int units) const;
    int Y(int units) const;
    QRect ToPixels(const window::Rect& area) const;
    /// Pixels back to units, to the nearest unit.
    int UnitsX(int pixels) const;
    int UnitsY(int pixels) const;

    double AverageWidth() const { return averageWidth_; }
    int Height() const { return height_; }

private:
    double averageWidth_;
    int height_;
};

}  // namespace gui
