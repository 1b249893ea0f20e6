// What the user does to real widgets reaches the window's logic as the
// framework's events, and the window's answer shows on screen.
#include "window/events.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeView>

#include "gui_fixture.h"

namespace gui_test {
namespace {

class EventsTest : public GuiWindowTest {
protected:
    void SetUp() override { StartWindow(); }

    /// Replaces an entry's text by typing and completes it with Enter.
    void Enter(const std::string& name, const QString& text) {
        auto* line = Find<QLineEdit>(name);
        line->selectAll();
        QTest::keyClicks(line, text);
        QTest::keyClick(line, Qt::Key_Return);
        Drain();
    }
};

TEST_F(EventsTest, PressingARequestButtonEntersTheRequestAndTheListShowsIt) {
    ShowTab("Tab_Inputs");
    Click("BRequestInputs");
    ASSERT_EQ(window->Data.QComms.size(), 1u);
    ShowTab("Tab_Formated");
    QAbstractItemModel* rows = Find<QTreeView>("LFormatted")->model();
    ASSERT_EQ(rows->rowCount(), 1);
    EXPECT_EQ(rows->index(0, 3).data().toString(), "1");    // OutIdentifier, n-7
    EXPECT_EQ(rows->index(0, 4).data().toString(), "001");  // read coils, n03
    EXPECT_EQ(connection->sends, 0);                        // buttons never send
}

TEST_F(EventsTest, TickingABoxSetsItsVariableAndAllOnTicksEveryOutput) {
    Click("RequestInputs");
    EXPECT_EQ(window->Data.RequestInputs, 1);
    Click("RequestInputs");
    EXPECT_EQ(window->Data.RequestInputs, 0);

    ShowTab("Tab_Outputs");
    Click("Outputs_3");
    EXPECT_EQ(window->Data.Outputs[3], 1);
    EXPECT_EQ(window->Data.Outputs[4], 0);
    host->Window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host->Window()));
    QTest::keyClick(host->Window(), Qt::Key_A, Qt::AltModifier);  // "&All On"; the relays' one is hidden
    // A shortcut shows the button pressed for a moment before it clicks.
    ASSERT_TRUE(QTest::qWaitFor(
        [this] {
            Drain();
            return window->Data.Outputs[16] == 1;
        },
        5000));
    for (int n = 1; n <= 16; ++n) EXPECT_TRUE(Find<QCheckBox>("Outputs_" + std::to_string(n))->isChecked()) << n;
    Click("Button_AllOff");
    EXPECT_EQ(window->Data.Outputs[3], 0);
    EXPECT_FALSE(Find<QCheckBox>("Outputs_3")->isChecked());
}

TEST_F(EventsTest, TypedTextReachesItsVariableWhenTheEntryIsCompleted) {
    Click("BClose");  // no ticks from here on
    Find<QSpinBox>("TimerValue")->setValue(0);
    Drain();
    Enter("Server", "127.0.0.1");
    Enter("Port", "502");
    EXPECT_EQ(window->Data.Server.Str(), "127.0.0.1");
    EXPECT_EQ(window->Data.Port, 502);
    Click("BOpen");
    EXPECT_EQ(connection->opens, (std::vector<std::string>{"127.0.0.1:502"}));
    // With Timer Value 0, Open leaves the timer stopped.
    EXPECT_FALSE(host->Timer().isActive());
}

TEST_F(EventsTest, TypingIsNotOverwrittenBeforeTheEntryIsCompleted) {
    auto* port = Find<QLineEdit>("Port");
    port->selectAll();
    QTest::keyClicks(port, "50");
    window->ThisWindow.Display();  // what every tick does
    host->ShowNow();
    EXPECT_EQ(port->text(), "50");
    QTest::keyClick(port, Qt::Key_Return);
    Drain();
    EXPECT_EQ(window->Data.Port, 50);
    window->Data.Port = 7;
    window->ThisWindow.Display();
    host->ShowNow();
    EXPECT_EQ(port->text(), "7");
}

TEST_F(EventsTest, SpinBoxArrowsSetTheTimerPeriodAtOnce) {
    Click("BClose");  // no ticks to change Timer Value meanwhile
    auto* spin = Find<QSpinBox>("TimerValue");
    const int before = spin->value();
    spin->stepUp();  // what the up arrow does
    Drain();
    EXPECT_EQ(window->Data.TimerValue, before + 1);
    EXPECT_EQ(window->ThisWindow.Timer(), before + 1);
    EXPECT_EQ(host->Timer().interval(), 10 * (before + 1));
    spin->setValue(25);
    Drain();
    EXPECT_EQ(host->Timer().interval(), 250);
    EXPECT_TRUE(host->Timer().isActive());
}

TEST_F(EventsTest, TheCloseBoxEndsTheWindowThroughItsLogic) {
    host->Window()->close();
    EXPECT_TRUE(host->Window()->isVisible());  // not yet: the window's logic decides
    Drain();
    EXPECT_FALSE(window->ThisWindow.Running());
    window->ThisWindow.Finish();
    EXPECT_FALSE(host->Window()->isVisible());
}

TEST_F(EventsTest, ExitEndsTheWindowCompleted) {
    Click("BExit");
    EXPECT_FALSE(window->ThisWindow.Running());
    EXPECT_EQ(window->ThisWindow.Finish(), window::kRequestCompleted);
}

TEST_F(EventsTest, AnUnknownMemoryTypeRaisesAModalBoxWithOneLinePerBar) {
    ShowTab("Tab_Utility");
    QString shown;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    watcher.start(1);
    Enter("PlcRange", "Q5");
    watcher.stop();
    EXPECT_TRUE(shown.startsWith("UNKNOWN DL06 Memory Type Expecting:\n X0-X77\n SP0-SP777 \n")) << shown.toStdString();
    EXPECT_EQ(window->Data.ModbusAddress, 0);
    Enter("PlcRange", "v2000");
    EXPECT_EQ(Find<QLineEdit>("PlcRange")->text(), "V2000");
    EXPECT_EQ(window->Data.ModbusAddress, 1024);
}

TEST_F(EventsTest, FocusChangesAndTabChangesBecomeFieldEvents) {
    auto fieldEvents = [this](const std::string& field) {
        std::vector<int> seen;
        for (const auto& event : host->Waiting())
            if (event.field == field) seen.push_back(event.event);
        return seen;
    };
    Find<QTabWidget>("Sheet1")->setCurrentIndex(1);
    EXPECT_EQ(fieldEvents("Sheet1"), (std::vector<int>{window::kTabChanging, window::kNewSelection}));
    Drain();
    host->Window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host->Window()));
    Find("Inputs_5")->setFocus();
    EXPECT_EQ(fieldEvents("Inputs_5"), (std::vector<int>{window::kSelected}));
}

}  // namespace
}  // namespace gui_test
