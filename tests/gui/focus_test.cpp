// Focus highlighting on the real window: the highlighter's box and indicator
// are drawn on the window's surface around an entry that takes the focus, and
// never around a button.
#include "app/window_aids.h"
#include "gui/surface_overlay.h"
#include "gui_fixture.h"

namespace gui_test {
namespace {

class FocusTest : public GuiWindowTest {
protected:
    void SetUp() override {
        window::TestWindowParts parts;
        aids_.Install(parts);
        StartWindow("", std::move(parts));
        host->Window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(host->Window()));
        Drain();
    }
    void FocusOn(const std::string& name) {
        Find(name)->setFocus();
        Drain();
    }
    const std::vector<window::DrawnBox>& Boxes() { return host->Surface()->Boxes(); }
    const std::vector<window::DrawnCharacter>& Characters() { return host->Surface()->Characters(); }

    app::WindowAids aids_;
};

TEST_F(FocusTest, AnEntryWithTheFocusGetsTheYellowBoxAndTheGreyIndicator) {
    FocusOn("Port");  // (58,152) 60x10
    ASSERT_FALSE(Boxes().empty());
    const window::DrawnBox& box = Boxes().back();
    EXPECT_EQ(box.fill, 0x00FFFF);
    EXPECT_EQ(box.border, 0x000000);
    EXPECT_LT(box.area.x, 58);
    EXPECT_LT(box.area.y, 152);
    EXPECT_GT(box.area.x + box.area.width, 58 + 60);
    EXPECT_GT(box.area.y + box.area.height, 152 + 10);
    ASSERT_FALSE(Characters().empty());
    EXPECT_EQ(Characters().back().character, "\xC2\xBB");
    EXPECT_EQ(Characters().back().colour, 0x808080);
    EXPECT_LT(Characters().back().x, 58);
}

TEST_F(FocusTest, AButtonWithTheFocusIsNeverMarkedAndTheOldMarkGoes) {
    FocusOn("Port");
    ASSERT_FALSE(Boxes().empty());
    FocusOn("BOpen");
    EXPECT_TRUE(Boxes().empty());
    EXPECT_TRUE(Characters().empty());
}

TEST_F(FocusTest, ChangingTabRemovesTheMark) {
    FocusOn("Server");
    ASSERT_FALSE(Boxes().empty());
    ShowTab("Tab_Inputs");
    EXPECT_TRUE(Boxes().empty());
}

}  // namespace
}  // namespace gui_test
