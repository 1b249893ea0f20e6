#include "aids/focus_highlight.h"

#include <algorithm>
#include <array>

#include "platform/fixed_text.h"

namespace aids {
namespace {

/// Kinds that take no typing, in the toolkit's numbers: string controls,
/// images, regions, lines, boxes, ellipses, prompts, groups, menu parts,
/// sheets, tabs, toolbars, buttons and others this window does not have.
constexpr std::array<uint16_t, 23> kExcludedKinds = {1,  2,   3,   4,  5,  6,  7,  10, 13, 18, 25, 32,
                                                     35, 270, 128, 19, 20, 22, 24, 37, 38, 39, 9};

int16_t ToShort(int32_t value) { return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX)); }

}  // namespace

std::string FirstCharacters(std::string_view text, std::size_t most) {
    std::size_t count = 0;
    std::size_t end = 0;
    while (end < text.size()) {
        if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80) {
            if (count == most) break;
            ++count;
        }
        ++end;
    }
    return std::string(text.substr(0, end));
}

void FocusHighlightClassType::Init(uint8_t changeColor, Colour backgroundColor, uint8_t useBoldText,
                                   uint8_t /*excludeDropList*/, Colour backgroundColorRequired, uint8_t displayBox,
                                   Colour boxFillColor, Colour boxBorderColor, int16_t boxSize,
                                   Colour boxFillColorRequired, Colour boxBorderColorRequired, uint8_t displayIndicator,
                                   Colour indicatorColor, std::string_view indicatorCharacter,
                                   int16_t indicatorOffset) {
    ChangeColor = changeColor;
    BackgroundColor = backgroundColor;
    UseBoldText = useBoldText;
    ExcludeDropList = 0;
    BackgroundColorRequired = backgroundColorRequired;
    DisplayBox = displayBox;
    BoxFillColor = boxFillColor;
    BoxBorderColor = boxBorderColor;
    BoxSize = boxSize;
    BoxFillColorRequired = boxFillColorRequired;
    BoxBorderColorRequired = boxBorderColorRequired;
    DisplayIndicator = displayIndicator;
    IndicatorColor = indicatorColor;
    IndicatorCharacter = FirstCharacters(platform::TrimRight(indicatorCharacter), 2);
    IndicatorOffset = indicatorOffset;
    for (uint16_t k : kExcludedKinds) DisableControlType(k);
}

void FocusHighlightClassType::DisableControlType(uint16_t kindNumber) {
    ExcludedControlType.push_back(ExcludedControlTypeRow{kindNumber});
}

uint8_t FocusHighlightClassType::ControlAllowed(int32_t control) {
    if (control == 0 || surface_.InToolbar(control) || !surface_.IsVisible(control)) return 0;
    const int32_t k = surface_.Kind(control);
    const bool excluded = std::any_of(ExcludedControlType.begin(), ExcludedControlType.end(),
                                      [&](const ExcludedControlTypeRow& row) { return row.CT == k; });
    return excluded ? 0 : 1;
}

void FocusHighlightClassType::TakeEvent() {
    switch (surface_.Event()) {
        case event::kSelected:
            HighlightFocusUnSelect();
            HighlightFocusSelect(surface_.Field());
            break;
        case event::kTabChanging:
            HighlightFocusUnSelect();
            HighlightFocusSelect(0);
            break;
        case event::kMaximized:
        case event::kResize:
            HighlightFocusUnSelect();
            HighlightFocusSelect(SCField);
            break;
        default:
            break;
    }
}

void FocusHighlightClassType::HighlightFocusSelect(int32_t control) {
    if (!ControlAllowed(control)) {
        SCField = 0;
        return;
    }
    SCField = control;
    SCStyle = surface_.FontWeight(control);
    SCColor = surface_.BackgroundColour(control);
    if (!kind::IsListLike(surface_.Kind(control))) ChangeColours(control);
    if (DisplayIndicator != 0 || DisplayBox) {
        const Rect at = surface_.Position(control);
        SCX = ToShort(at.x);
        SCY = ToShort(at.y);
        SCW = ToShort(at.width);
        SCH = ToShort(at.height);
    }
    if (DisplayBox) DrawBox(control);
    if (DisplayIndicator == 1) DrawIndicator();
}

/// The surface changes only the closed part of a combo, so its drop list
/// keeps its own colour and style.
void FocusHighlightClassType::ChangeColours(int32_t control) {
    if (!ChangeColor) return;
    if (UseBoldText) surface_.SetFontWeight(control, kWeightBold);
    surface_.SetBackgroundColour(control, surface_.IsRequired(control) ? BackgroundColorRequired : BackgroundColor);
}

Rect FocusHighlightClassType::BoxArea() const {
    return Rect{SCX - BoxSize, SCY - BoxSize, SCW + 2 * BoxSize, SCH + 2 * BoxSize};
}

void FocusHighlightClassType::DrawBox(int32_t control) {
    const bool required = surface_.IsRequired(control);
    SCPColor = required ? BoxBorderColorRequired : BoxBorderColor;
    surface_.DrawBox(BoxArea(), required ? BoxFillColorRequired : BoxFillColor, SCPColor);
}

void FocusHighlightClassType::DrawIndicator() {
    SCPColor = IndicatorColor;
    surface_.DrawCharacter(Point{SCX - IndicatorOffset, SCY}, IndicatorCharacter, IndicatorColor);
}

void FocusHighlightClassType::HighlightFocusUnSelect() {
    if (SCField == 0) return;
    if (!kind::IsListLike(surface_.Kind(SCField)) && ChangeColor) {
        surface_.SetBackgroundColour(SCField, SCColor);
        if (UseBoldText) surface_.SetFontWeight(SCField, SCStyle);
    }
    const bool indicator = DisplayIndicator != 0;
    if (DisplayBox && indicator) {
        if (DisplayIndicator == 1 && IndicatorOffset > BoxSize)
            surface_.Erase(Rect{SCX - IndicatorOffset, SCY - BoxSize, SCW + 2 * IndicatorOffset, SCH + 2 * BoxSize});
        else
            surface_.Erase(BoxArea());
    } else if (DisplayBox) {
        surface_.Erase(BoxArea());
    } else if (indicator) {
        // The indicator stands in the gap left of the control.
        surface_.Erase(Rect{SCX - IndicatorOffset, SCY, IndicatorOffset, SCH});
    }
}

}  // namespace aids
