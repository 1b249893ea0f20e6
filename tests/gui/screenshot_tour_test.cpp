// The developer's screenshot tour: it acts on the real widgets as a user
// would, saves two pictures of the window at work and closes it.
#include "gui/screenshot_tour.h"

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>

#include "gui_fixture.h"

namespace gui_test {
namespace {

TEST(ScreenshotTourFiles, SecondPictureIsNamedAfterTheFirst) {
    EXPECT_EQ(gui::ScreenshotTour::SecondFile("docs/shot.png"), "docs/shot-formated.png");
    EXPECT_EQ(gui::ScreenshotTour::SecondFile("shot.v2.png"), "shot.v2-formated.png");
    EXPECT_EQ(gui::ScreenshotTour::SecondFile("dir.d/shot"), "dir.d/shot-formated");
}

class ScreenshotTourTest : public GuiWindowTest {
protected:
    ScreenshotTourTest() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tour-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary directory");
        pictures_ = pattern;
    }
    ~ScreenshotTourTest() override { std::filesystem::remove_all(pictures_); }

    /// Runs Qt and the window until the tour is done; bounded.
    bool RunTour(const gui::ScreenshotTour& tour) {
        for (int round = 0; round < 1000 && !tour.Done(); ++round) {
            QTest::qWait(10);
            Drain();
        }
        Drain();
        return tour.Done();
    }

    std::filesystem::path pictures_;
};

TEST_F(ScreenshotTourTest, TicksTheBoxesOpensGrabsTwiceAndCloses) {
    window::TestWindowParts parts;
    parts.serverOverride = window::ServerAndPort{"127.0.0.1", 5020};
    StartWindow("", std::move(parts));
    EXPECT_EQ(Find<QLineEdit>("Server")->text(), "127.0.0.1");
    EXPECT_EQ(Find<QLineEdit>("Port")->text(), "5020");

    const QString file = QString::fromStdString((pictures_ / "shot.png").string());
    gui::ScreenshotTour tour(*host, file, 2);
    ASSERT_TRUE(RunTour(tour));

    EXPECT_EQ(window->Data.RequestInputs, 1);
    EXPECT_EQ(window->Data.RequestAllCounters, 1);
    EXPECT_EQ(window->Data.SendOutputs, 0);
    EXPECT_EQ(window->Data.VMemAddr, 30000);  // typed for the exception the pictures show
    EXPECT_EQ(connection->opens, std::vector<std::string>{"127.0.0.1:5020"});
    for (const QString& picture : {file, gui::ScreenshotTour::SecondFile(file)}) {
        const QImage image(picture);
        EXPECT_FALSE(image.isNull()) << picture.toStdString();
        EXPECT_EQ(image.size(), host->Window()->size()) << picture.toStdString();
    }
    EXPECT_EQ(Find<QTabWidget>("Sheet1")->currentWidget(), host->Widget("Tab_Counters"));
    EXPECT_EQ(Find<QTabWidget>("Sheet2")->currentWidget(), host->Widget("Tab_Formated"));
    EXPECT_FALSE(window->ThisWindow.Running());  // closed through the close box, as a user would
}

}  // namespace
}  // namespace gui_test
