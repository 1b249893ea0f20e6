// Marks the control that has the focus, so the user sees where typing goes:
// a filled, outlined box drawn on the window's surface around the control, an
// indicator character to its left, and optionally a background colour (and
// bold text) on the control itself. Buttons, prompts, groups, sheets, tabs
// and other controls that take no typing are never marked.
//
// The owning window calls Init once and TakeEvent for every event.
// Window thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "aids/surface.h"

namespace aids {

struct ExcludedControlTypeRow {
    uint16_t CT = 0;
};

class FocusHighlightClassType {
public:
    explicit FocusHighlightClassType(Surface& surface) : surface_(surface) {}
    virtual ~FocusHighlightClassType() { ExcludedControlType.clear(); }
    FocusHighlightClassType(const FocusHighlightClassType&) = delete;
    FocusHighlightClassType& operator=(const FocusHighlightClassType&) = delete;

    /// Stores the settings (ExcludeDropList always as false), keeps at most two
    /// characters of the indicator, then excludes the kinds that take no typing.
    virtual void Init(uint8_t changeColor, Colour backgroundColor, uint8_t useBoldText, uint8_t excludeDropList,
                      Colour backgroundColorRequired, uint8_t displayBox, Colour boxFillColor, Colour boxBorderColor,
                      int16_t boxSize, Colour boxFillColorRequired, Colour boxBorderColorRequired,
                      uint8_t displayIndicator, Colour indicatorColor, std::string_view indicatorCharacter,
                      int16_t indicatorOffset);
    virtual void TakeEvent();
    /// Removes the current highlight; SCField keeps its value.
    virtual void HighlightFocusUnSelect();
    virtual void HighlightFocusSelect(int32_t control);
    virtual uint8_t ControlAllowed(int32_t control);

    void DisableControlType(uint16_t kindNumber);

    uint8_t ChangeColor = 0;
    Colour BackgroundColor = kNoColour;
    uint8_t UseBoldText = 0;
    uint8_t ExcludeDropList = 0;
    Colour BackgroundColorRequired = kNoColour;
    uint8_t DisplayBox = 0;
    Colour BoxFillColor = kNoColour;
    Colour BoxBorderColor = kNoColour;
    int16_t BoxSize = 0;
    Colour BoxFillColorRequired = kNoColour;
    Colour BoxBorderColorRequired = kNoColour;
    uint8_t DisplayIndicator = 0;
    Colour IndicatorColor = kNoColour;
    std::string IndicatorCharacter;  // UTF-8, at most two characters
    int16_t IndicatorOffset = 0;
    int32_t SCField = 0;
    Colour SCColor = kNoColour;
    int32_t SCStyle = 0;
    Colour SCPColor = kNoColour;
    int16_t SCX = 0;
    int16_t SCY = 0;
    int16_t SCW = 0;
    int16_t SCH = 0;
    std::vector<ExcludedControlTypeRow> ExcludedControlType;

private:
    void ChangeColours(int32_t control);
    void DrawBox(int32_t control);
    void DrawIndicator();
    Rect BoxArea() const;

    Surface& surface_;
};

/// The first `most` characters of UTF-8 `text` (a character is a lead byte
/// and its continuation bytes).
std::string FirstCharacters(std::string_view text, std::size_t most);

}  // namespace aids
