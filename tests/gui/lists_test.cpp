// The two list boxes: rows in the queue's order with the pictures applied,
// and no work for the view when a list has not changed.
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTreeView>

#include "gui/qt_window_host.h"
#include "gui/queue_model.h"
#include "gui_fixture.h"
#include "platform/clock.h"
#include "test_time.h"

namespace gui_test {
namespace {

ReturnRow Line(const std::string& text) {
    ReturnRow row;
    row.ReturnString = text;
    return row;
}

class ListsTest : public GuiWindowTest {
protected:
    void SetUp() override { StartWindow(); }
    void Show() {
        window->ThisWindow.Display();
        host->ShowNow();
    }
    QAbstractItemModel* Rows(const std::string& list) { return Find<QTreeView>(list)->model(); }
    std::string Cell(const std::string& list, int row, int column) {
        return Rows(list)->index(row, column).data().toString().toStdString();
    }
};

TEST_F(ListsTest, RawListShowsTheQueueNewestFirstAsItStands) {
    window->Data.QReturn.push_back(Line("REC 00 01"));
    window->Data.QReturn.push_back(Line("REQ 00 01"));
    Show();
    ASSERT_EQ(Rows("LRaw")->rowCount(), 2);
    EXPECT_EQ(Cell("LRaw", 0, 0), "REC 00 01");
    EXPECT_EQ(Cell("LRaw", 1, 0), "REQ 00 01");
    EXPECT_TRUE(Rows("LRaw")->index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignLeft);
}

TEST_F(ListsTest, FormattedListAppliesEachColumnsPicture) {
    CommsRow row;
    row.Sent = -3;
    row.SentTimeString = "12:00:01";
    row.SendCount = 2;
    row.OutModbusTcpFrame.SetTransactionIdentifier(7);
    row.OutModbusTcpFrame.SetFunctionCode(16);
    row.Recieved = 0;
    window->Data.QComms.push_back(row);
    Show();
    ASSERT_EQ(Rows("LFormatted")->rowCount(), 1);
    EXPECT_EQ(Cell("LFormatted", 0, 0), "-3");        // n-14
    EXPECT_EQ(Cell("LFormatted", 0, 1), "12:00:01");  // s20
    EXPECT_EQ(Cell("LFormatted", 0, 3), "7");         // n-7
    EXPECT_EQ(Cell("LFormatted", 0, 4), "016");       // n03
    EXPECT_EQ(Cell("LFormatted", 0, 8), "000");
    EXPECT_TRUE(Rows("LFormatted")->index(0, 4).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
}

TEST_F(ListsTest, ABurstOfRepliesMakesOneUpdateWithTheNewLinesInsertedOnTop) {
    window->Data.QReturn.push_front(Line("REQ first"));
    Show();
    QSignalSpy inserted(Rows("LRaw"), &QAbstractItemModel::rowsInserted);
    QSignalSpy changed(Rows("LRaw"), &QAbstractItemModel::dataChanged);
    const int64_t updates = host->ShownUpdates();
    for (int reply = 0; reply < 20; ++reply) {  // each reply is an event after which the window shows its variables
        window->Data.QReturn.push_front(Line("REC " + std::to_string(reply)));
        window->Data.SendPerSec = reply;
        window->ThisWindow.Dispatch({window::kFirstUserEvent + 5, {}});
    }
    EXPECT_EQ(Rows("LRaw")->rowCount(), 1) << "nothing drawn per reply";
    host->ShowNow();
    EXPECT_EQ(host->ShownUpdates(), updates + 1);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 0);
    EXPECT_EQ(inserted[0][2].toInt(), 19);
    EXPECT_EQ(changed.count(), 1) << "only the new lines are filled in";
    EXPECT_EQ(Cell("LRaw", 0, 0), "REC 19");
    EXPECT_EQ(Cell("LRaw", 20, 0), "REQ first");
    EXPECT_EQ(Find<QLineEdit>("SendPerSec")->text(), "19");
    window->ThisWindow.Dispatch({window::kFirstUserEvent + 5, {}});
    host->ShowNow();
    EXPECT_EQ(host->ShownUpdates(), updates + 1) << "no update when nothing changed";
}

TEST(QueueModelTest, ChangesOnlyWhatDiffersAndNothingWhenTheRowsAreTheSame) {
    App();
    gui::QueueModel model({{"A", 10, "", "a", window::Align::Left, 0}}, nullptr);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    EXPECT_TRUE(model.SetRows({{"new"}, {"old"}}));
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_FALSE(model.SetRows({{"new"}, {"old"}}));
    EXPECT_EQ(changed.count(), 1);  // from the first call only

    // A row added on top: the old rows move down, the view is told which rows changed.
    EXPECT_TRUE(model.SetRows({{"newer"}, {"new"}, {"old"}}));
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_EQ(model.index(0, 0).data().toString(), "newer");
    EXPECT_EQ(model.index(2, 0).data().toString(), "old");

    EXPECT_TRUE(model.SetRows({}));
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(reset.count(), 0);  // never rebuilt from scratch
}

/// The running window's pace: ticks show the lists at most five times a
/// second by the (manual) clock, and only the list in front.
class PacedListsTest : public ListsTest {
protected:
    /// A tick as the window takes it; its next look for an event shows what the tick did.
    void Tick() {
        host->Post(window::kTimer);
        window->ThisWindow.Dispatch(host->NextEvent());
        host->Post(window::kTimer);
        (void)host->NextEvent();  // the second tick is only the next event there is
    }

    platform::ManualClock clock{testsupport::At(9, 30, 0)};
    platform::ScopedClock scopedClock{clock};
};

TEST_F(PacedListsTest, ABusyListIsBroughtUpToDateAtMostFiveTimesASecond) {
    constexpr int64_t kPace = gui::QtWindowHost::kListPaceMs / 10;  // hundredths
    window->Data.QReturn.push_front(Line("REQ 1"));
    Tick();
    ASSERT_EQ(Rows("LRaw")->rowCount(), 1);
    window->Data.QReturn.push_front(Line("REQ 2"));
    clock.Advance(kPace - 1);
    Tick();
    EXPECT_EQ(Rows("LRaw")->rowCount(), 1) << "the list changed on screen less than its pace ago";
    clock.Advance(1);
    Tick();
    ASSERT_EQ(Rows("LRaw")->rowCount(), 2);
    EXPECT_EQ(Cell("LRaw", 0, 0), "REQ 2");
}

TEST_F(PacedListsTest, AHiddenListIsMadeWhenItsTabComesToTheFront) {
    CommsRow row;
    row.OutModbusTcpFrame.SetTransactionIdentifier(7);
    window->Data.QComms.push_back(row);
    Tick();
    EXPECT_EQ(Rows("LFormatted")->rowCount(), 0);
    Find<QTabWidget>("Sheet2")->setCurrentIndex(1);
    ASSERT_EQ(Rows("LFormatted")->rowCount(), 1);
    EXPECT_EQ(Cell("LFormatted", 0, 3), "7");
}

}  // namespace
}  // namespace gui_test
