// What the test window needs of its two aids: the link object that makes the
// About button open the product's web address, and the focus highlighter that
// marks the control with the focus. The real ones are built on these
// interfaces elsewhere; the plain stand-ins here keep what they are told and
// do nothing else, so a window runs without them.
//
// Window thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace window {

class HyperLinkAid {
public:
    virtual ~HyperLinkAid() = default;
    /// The cursor file that text and entry links show ("~" = among the program's resources).
    virtual void SetHandCursorToUse(std::string_view file) = 0;
    /// `pollEvent` is the window event on which the pointer is checked (the timer).
    virtual void Init(int32_t pollEvent, uint8_t options) = 0;
    /// Limit on the length of a mail command; -1 = decided when a link runs.
    virtual void SetLimitURL(int32_t limit) = 0;
    virtual void AddItem(std::string_view control, std::string_view url, int32_t useStdAction) = 0;
    /// Re-checks and redraws one link, or every link when `control` is empty.
    virtual void Refresh(std::string_view control) = 0;
    /// Called for every event of the window, before the window's own handling.
    virtual void TakeEvent() = 0;
};

/// Colours 0x00BBGGRR, -1 = none; positions in dialog units.
struct FocusHighlightSettings {
    bool ChangeColor = true;
    int32_t BackgroundColor = -1;
    bool UseBoldText = false;
    bool ExcludeDropList = false;
    int32_t BackgroundColorRequired = -1;
    bool DisplayBox = true;
    int32_t BoxFillColor = 0x00FFFF;  // yellow
    int32_t BoxBorderColor = 0;       // black
    int16_t BoxSize = 2;
    int32_t BoxFillColorRequired = 0x0000FF;  // red
    int32_t BoxBorderColorRequired = 0;
    bool DisplayIndicator = true;
    int32_t IndicatorColor = 0x808080;            // grey
    std::string IndicatorCharacter = "\xC2\xBB";  // the single character 0xBB, in UTF-8
    int16_t IndicatorOffset = 8;
    bool operator==(const FocusHighlightSettings&) const = default;
};

class FocusHighlightAid {
public:
    virtual ~FocusHighlightAid() = default;
    virtual void Init(const FocusHighlightSettings& settings) = 0;
    /// Called for every event of the window, before the window's own handling.
    virtual void TakeEvent() = 0;
};

/// Keeps what it is told; opens nothing.
class PlainHyperLink : public HyperLinkAid {
public:
    void SetHandCursorToUse(std::string_view file) override { HandCursorToUse = file; }
    void Init(int32_t pollEvent, uint8_t) override { PollEvent = pollEvent; }
    void SetLimitURL(int32_t limit) override { LimitURL = limit; }
    void AddItem(std::string_view control, std::string_view url, int32_t) override {
        Links.push_back({std::string(control), std::string(url)});
    }
    void Refresh(std::string_view) override {}
    void TakeEvent() override {}

    struct Link {
        std::string control;
        std::string url;
    };
    std::string HandCursorToUse;
    int32_t PollEvent = 0;
    int32_t LimitURL = 0;
    std::vector<Link> Links;
};

/// Keeps its settings; draws nothing.
class PlainFocusHighlight : public FocusHighlightAid {
public:
    void Init(const FocusHighlightSettings& settings) override { Settings = settings; }
    void TakeEvent() override {}
    FocusHighlightSettings Settings;
};

}  // namespace window
