// The About button's link turns hot while the mouse pointer is over the
// button in the real window, and cold when it leaves.
#include "app/window_aids.h"
#include "gui_fixture.h"

namespace gui_test {
namespace {

class HotLinkTest : public GuiWindowTest {
protected:
    void SetUp() override {
        window::TestWindowParts parts;
        aids_.Install(parts);
        StartWindow("", std::move(parts));
        host->Window()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(host->Window()));
        Drain();
    }
    int32_t Hot() { return aids_.Link()->Link().ItemQ.Rows.at(0).Working; }

    app::WindowAids aids_;
};

TEST_F(HotLinkTest, ThePointerOverTheAboutButtonMakesItsLinkHotUntilItLeaves) {
    QWidget* about = Find("BAbout");
    ASSERT_EQ(Hot(), 0);
    QTest::mouseMove(about, about->rect().center());
    Drain();
    EXPECT_EQ(Hot(), 1);
    window->ThisWindow.Dispatch({window::kTimer, {}});  // the link's poll finds the pointer still there
    Drain();
    EXPECT_EQ(Hot(), 1);
    QTest::mouseMove(Find("BOpen"), Find("BOpen")->rect().center());
    Drain();
    EXPECT_EQ(Hot(), 0);
}

}  // namespace
}  // namespace gui_test
