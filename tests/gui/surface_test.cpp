// The drawing surface: what the focus highlighter draws shows around a
// control, beneath it, and goes away when cleared.
#include <QImage>

#include "gui/surface_overlay.h"
#include "gui_fixture.h"

namespace gui_test {
namespace {

class SurfaceTest : public GuiWindowTest {
protected:
    void SetUp() override { StartWindow(); }

    QColor PixelAt(QPoint at) {
        const QImage image = host->Window()->grab().toImage();
        return image.pixelColor(at);
    }
};

TEST_F(SurfaceTest, ABoxDrawnAroundAnEntryShowsOutsideItAndTheEntryStaysOnTop) {
    const gui::DialogUnits units = *host->Units();
    QWidget* port = Find("Port");  // (58,152) 60x10
    host->DrawBox({{56, 150, 64, 14}, 0x00FFFF, 0x000000, 1});
    host->DrawCharacter({48, 152, "\xC2\xBB", 0x808080});
    ASSERT_EQ(host->Surface()->Boxes().size(), 1u);

    const QPoint ringInside(units.X(57) + 1, port->geometry().center().y());  // between box edge and entry
    EXPECT_EQ(PixelAt(ringInside), QColor(255, 255, 0));
    EXPECT_EQ(PixelAt(QPoint(units.X(56), units.Y(150) + 3)), QColor(0, 0, 0));  // the outline
    EXPECT_NE(PixelAt(port->geometry().center()), QColor(255, 255, 0));          // the entry covers the fill

    host->ClearDrawing();
    EXPECT_TRUE(host->Surface()->Boxes().empty());
    EXPECT_NE(PixelAt(ringInside), QColor(255, 255, 0));
}

TEST(SurfaceColourTest, ColoursAreBlueGreenRedWords) {
    EXPECT_EQ(gui::SurfaceOverlay::ColourOf(0x00FFFF), QColor(255, 255, 0));
    EXPECT_EQ(gui::SurfaceOverlay::ColourOf(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(gui::SurfaceOverlay::ColourOf(0x808080), QColor(128, 128, 128));
}

}  // namespace
}  // namespace gui_test
