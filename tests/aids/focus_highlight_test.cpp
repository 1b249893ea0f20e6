#include "aids/focus_highlight.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_surface.h"

namespace aids {
namespace {

using ::testing::ElementsAre;
using testing::FakeSurface;
using ::testing::IsEmpty;

constexpr int32_t kEntry = 1;
constexpr int32_t kButton = 2;
constexpr int32_t kHiddenEntry = 3;

class FocusHighlight : public ::testing::Test {
protected:
    FocusHighlight() {
        surface.controls[kEntry] = {kind::kEntry, {100, 40, 60, 10}, true, false, "", 0};
        surface.controls[kButton] = {kind::kButton, {200, 40, 40, 14}, true, false, "", 0};
        surface.controls[kHiddenEntry] = {kind::kEntry, {100, 60, 60, 10}, false, false, "", 0};
        // The test window's settings.
        focus.Init(1, -1, 0, 0, -1, 1, 0x00FFFF, 0, 2, 0x0000FF, 0, 1, 0x808080, "\u00BB", 8);
    }

    void Take(int32_t e, int32_t control = 0) {
        surface.At(e, control);
        focus.TakeEvent();
    }

    FakeSurface surface;
    FocusHighlightClassType focus{surface};
};

TEST_F(FocusHighlight, SelectedEntryGetsYellowFrameAndGreyIndicator) {
    Take(event::kSelected, kEntry);
    EXPECT_THAT(surface.drawing, ElementsAre("box 98,38,64,14 65535 0", "char 92,40 \u00BB 8421504"));
    EXPECT_THAT(surface.looks, ElementsAre("1 background -1")) << "no colour: the default background";
    EXPECT_EQ(focus.SCField, kEntry);
}

TEST_F(FocusHighlight, TabbingToAButtonRemovesTheMarkAndDrawsNone) {
    Take(event::kSelected, kEntry);
    surface.drawing.clear();
    Take(event::kSelected, kButton);
    EXPECT_THAT(surface.drawing, ElementsAre("erase 92,38,76,14"));
    EXPECT_EQ(focus.SCField, 0);
}

TEST_F(FocusHighlight, ControlsThatTakeNoTypingAreNeverMarked) {
    const int32_t excluded[] = {kind::kButton, kind::kPrompt,       kind::kSheet,  kind::kTab, kind::kGroup,
                                kind::kString, kind::kStaticString, kind::kRegion, kind::kItem};
    for (int32_t k : excluded) {
        surface.controls[10] = {k, {0, 0, 10, 10}, true, false, "", 0};
        Take(event::kSelected, 10);
        EXPECT_EQ(focus.SCField, 0) << "kind " << k;
    }
    const int32_t marked[] = {kind::kEntry, kind::kCheck, kind::kSpin, kind::kText, kind::kList, kind::kCombo};
    for (int32_t k : marked) {
        surface.controls[10] = {k, {0, 0, 10, 10}, true, false, "", 0};
        Take(event::kSelected, 10);
        EXPECT_EQ(focus.SCField, 10) << "kind " << k;
    }
    EXPECT_EQ(focus.ExcludedControlType.size(), 23u);
}

TEST_F(FocusHighlight, ListKeepsItsColoursButGetsTheFrame) {
    surface.controls[10] = {kind::kList, {10, 20, 100, 50}, true, false, "", 0};
    Take(event::kSelected, 10);
    EXPECT_THAT(surface.looks, IsEmpty());
    EXPECT_THAT(surface.drawing, ElementsAre("box 8,18,104,54 65535 0", "char 2,20 \u00BB 8421504"));
}

TEST_F(FocusHighlight, ControlOnAHiddenTabIsNotMarked) {
    Take(event::kSelected, kHiddenEntry);
    EXPECT_THAT(surface.drawing, IsEmpty());
    EXPECT_EQ(focus.SCField, 0);
}

TEST_F(FocusHighlight, TabChangeRemovesTheMarkUntilTheNextSelection) {
    Take(event::kSelected, kEntry);
    surface.drawing.clear();
    Take(event::kTabChanging, 4);
    EXPECT_THAT(surface.drawing, ElementsAre("erase 92,38,76,14"));
    EXPECT_EQ(focus.SCField, 0);
    Take(event::kResize);
    EXPECT_THAT(surface.drawing, ElementsAre("erase 92,38,76,14")) << "nothing to redraw";
    Take(event::kSelected, kEntry);
    EXPECT_EQ(surface.drawing.size(), 3u);
}

TEST_F(FocusHighlight, MaximizeAndResizeRedrawAtTheNewPlace) {
    Take(event::kSelected, kEntry);
    surface.drawing.clear();
    surface.controls[kEntry].at = {150, 80, 90, 12};
    Take(event::kMaximized);
    EXPECT_THAT(surface.drawing,
                ElementsAre("erase 92,38,76,14", "box 148,78,94,16 65535 0", "char 142,80 \u00BB 8421504"));
    surface.drawing.clear();
    surface.controls[kEntry].at = {120, 60, 90, 12};
    Take(event::kResize);
    EXPECT_THAT(surface.drawing,
                ElementsAre("erase 142,78,106,16", "box 118,58,94,16 65535 0", "char 112,60 \u00BB 8421504"));
}

TEST_F(FocusHighlight, RequiredFieldGetsARedFrame) {
    surface.controls[kEntry].required = true;
    Take(event::kSelected, kEntry);
    EXPECT_EQ(surface.drawing.front(), "box 98,38,64,14 255 0");
}

TEST_F(FocusHighlight, OtherEventsChangeNothing) {
    Take(event::kSelected, kEntry);
    surface.drawing.clear();
    Take(event::kAccepted, kEntry);
    Take(event::kTimer);
    EXPECT_THAT(surface.drawing, IsEmpty());
    EXPECT_EQ(focus.SCField, kEntry);
}

TEST(FocusHighlightSettings, ColourChangeBoldTextAndRestore) {
    FakeSurface surface;
    surface.controls[1] = {kind::kEntry, {10, 10, 20, 8}, true, false, "", 0};
    FocusHighlightClassType focus(surface);
    focus.Init(1, 0x00FF00, 1, 1, -1, 0, 0, 0, 2, 0, 0, 1, 0x808080, "abc  ", 8);
    EXPECT_EQ(focus.ExcludeDropList, 0);
    EXPECT_EQ(focus.IndicatorCharacter, "ab");
    surface.At(event::kSelected, 1);
    focus.TakeEvent();
    focus.HighlightFocusUnSelect();
    EXPECT_THAT(surface.looks, ElementsAre("1 weight 700", "1 background 65280", "1 background -1", "1 weight 400"));
    EXPECT_THAT(surface.drawing, ElementsAre("char 2,10 ab 8421504", "erase 2,10,8,8"))
        << "indicator only: the gap left of the control";
    EXPECT_EQ(focus.SCField, 1) << "kept for a later redraw";
}

TEST(FocusHighlightSettings, IndicatorKeepsAtMostTwoCharacters) {
    EXPECT_EQ(FirstCharacters("\u00BB\u00BB\u00BB", 2), "\u00BB\u00BB");
    EXPECT_EQ(FirstCharacters("\u00BB", 2), "\u00BB");
    EXPECT_EQ(FirstCharacters("", 2), "");
}

}  // namespace
}  // namespace aids
