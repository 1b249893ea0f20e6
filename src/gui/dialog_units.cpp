#include "gui/dialog_units.h"

#include <QFontMetricsF>
#include <cmath>

namespace gui {

DialogUnits DialogUnits::Of(const QFont& font) {
    static const QString kLetters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    QFontMetricsF metrics(font);
    double average = metrics.horizontalAdvance(kLetters) / static_cast<double>(kLetters.size());
    return DialogUnits(std::max(average, 1.0), std::max(static_cast<int>(std::lround(metrics.height())), 1));
}

int DialogUnits::X(int units) const { return static_cast<int>(std::lround(units * averageWidth_ / 4.0)); }

int DialogUnits::Y(int units) const { return static_cast<int>(std::lround(units * height_ / 8.0)); }

QRect DialogUnits::ToPixels(const window::Rect& area) const {
    // Edges are converted, not sizes, so neighbours that touch in units touch on screen.
    const int left = X(area.x);
    const int top = Y(area.y);
    return QRect(left, top, X(area.x + area.width) - left, Y(area.y + area.height) - top);
}

int DialogUnits::UnitsX(int pixels) const { return static_cast<int>(std::lround(pixels * 4.0 / averageWidth_)); }

int DialogUnits::UnitsY(int pixels) const {
    return static_cast<int>(std::lround(pixels * 8.0 / static_cast<double>(height_)));
}

}  // namespace gui
