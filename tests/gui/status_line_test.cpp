// The status line under the window and the exception note of a Formated row,
// as the user and a screen reader meet them.
#include "gui/status_line.h"

#include <QAccessible>
#include <QTreeView>

#include "gui/queue_model.h"
#include "gui_fixture.h"
#include "modbus/requests.h"
#include "platform/clock.h"
#include "test_time.h"

namespace gui_test {
namespace {

class StatusLineTest : public GuiWindowTest {
protected:
    /// A V-memory read of 30000 answered with exception 02, on an open connection.
    void ExceptionAnswered() {
        connection->OpenFlag = 1;
        window->Data.VMemAddr = 30000;
        rRequestVMem(window->Data);
        const std::string reply("\x00\x01\x00\x00\x00\x03\x01\x83\x02", 9);
        connection->Packet.PacketType = NET::SimplePartialDataPacket;
        connection->Packet.BinData.Set(reply);
        connection->Packet.BinDataLen = static_cast<int32_t>(reply.size());
        connection->Process();
        window->ThisWindow.Display();  // what the next event or tick does
        Drain();
    }

    platform::ManualClock clock{testsupport::At(9, 30, 0)};
    platform::ScopedClock scopedClock{clock};
};

TEST_F(StatusLineTest, SaysTheStateUnderTheControlsAndNamesTheException) {
    StartWindow("[Test]\r\nServer=127.0.0.1\r\nPort=5020\r\n");
    gui::StatusLine* line = host->Status();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->y(), host->Units()->Y(338));
    EXPECT_EQ(line->Label()->text(), "Closed");
    ExceptionAnswered();
    const QString expected =
        "Open to 127.0.0.1:5020 since 09:30:00; last exception 02 Illegal Data Address at 09:30:00, answering "
        "request 1 (function 3, address 30000, quantity 1)";
    EXPECT_EQ(line->Text(), expected);
    EXPECT_EQ(line->Label()->toolTip(), expected);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(line);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->role(), QAccessible::StatusBar);
    EXPECT_EQ(reader->text(QAccessible::Name), "Status");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(line->Label())->text(QAccessible::Name), expected);
}

TEST_F(StatusLineTest, AFormatedRowAnsweredWithAnExceptionCarriesItsName) {
    StartWindow();
    ExceptionAnswered();
    QAbstractItemModel* rows = Find<QTreeView>("LFormatted")->model();
    ASSERT_EQ(rows->rowCount(), 1);
    EXPECT_EQ(rows->index(0, 8).data(Qt::DisplayRole).toString(), "131");
    EXPECT_EQ(rows->index(0, 8).data(Qt::ToolTipRole).toString(), "Exception 02 Illegal Data Address");
    EXPECT_EQ(rows->index(0, 0).data(Qt::AccessibleDescriptionRole).toString(), "Exception 02 Illegal Data Address");
}

}  // namespace
}  // namespace gui_test
