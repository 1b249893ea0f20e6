#include "gui/surface_overlay.h"

#include <QPainter>

namespace gui {

SurfaceOverlay::SurfaceOverlay(const DialogUnits& units, QWidget* parent) : QWidget(parent), units_(units) {
    setObjectName(QStringLiteral("Surface"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
}

QColor SurfaceOverlay::ColourOf(int32_t colour) {
    const auto bgr = static_cast<uint32_t>(colour);
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

void SurfaceOverlay::AddBox(const window::DrawnBox& box) {
    boxes_.push_back(box);
    update(units_.ToPixels(box.area).adjusted(-2, -2, 2, 2));
}

void SurfaceOverlay::AddCharacter(const window::DrawnCharacter& character) {
    characters_.push_back(character);
    update();
}

void SurfaceOverlay::Clear() {
    if (boxes_.empty() && characters_.empty()) return;
    boxes_.clear();
    characters_.clear();
    update();
}

void SurfaceOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (const auto& box : boxes_) PaintBox(painter, box);
    for (const auto& character : characters_) PaintCharacter(painter, character);
}

void SurfaceOverlay::PaintBox(QPainter& painter, const window::DrawnBox& box) const {
    const QRect area = units_.ToPixels(box.area);
    if (box.fill != window::kNoColour) painter.fillRect(area, ColourOf(box.fill));
    if (box.border != window::kNoColour) {
        QPen pen(ColourOf(box.border));
        pen.setWidth(std::max(box.thickness, 1));
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(area.adjusted(0, 0, -1, -1));
    }
}

void SurfaceOverlay::PaintCharacter(QPainter& painter, const window::DrawnCharacter& character) const {
    if (character.colour != window::kNoColour) painter.setPen(ColourOf(character.colour));
    const QPoint at(units_.X(character.x), units_.Y(character.y));
    painter.drawText(QRect(at, QSize(units_.X(8), units_.Y(10))), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(character.character));
}

}  // namespace gui
