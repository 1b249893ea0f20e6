// Controls changed without mouse or typing (screen readers, test tools acting
// through the accessibility interface, keyboard shortcuts) reach the window's
// variables as a click or a completed entry does, and Close stays closed.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAccessibleValueInterface>
#include <QCheckBox>
#include <QLineEdit>
#include <QSpinBox>
#include <algorithm>
#include <functional>

#include "gui_fixture.h"
#include "window/events.h"

namespace gui_test {
namespace {

class AccessibleActionsTest : public GuiWindowTest {
protected:
    void SetUp() override { StartWindow(); }

    QAccessibleInterface* Accessible(const std::string& name) {
        QAccessibleInterface* control = QAccessible::queryAccessibleInterface(Find(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    bool TickWaiting() const {
        return std::ranges::any_of(host->Waiting(), [](const auto& event) { return event.event == window::kTimer; });
    }
    /// Runs the window's events until `done` holds (bounded).
    bool DrainUntil(const std::function<bool()>& done) {
        return QTest::qWaitFor(
            [&] {
                Drain();
                return done();
            },
            5000);
    }
};

TEST_F(AccessibleActionsTest, AToggleActionTicksTheBoxForGood) {
    Accessible("RequestInputs")->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    Drain();
    EXPECT_EQ(window->Data.RequestInputs, 1);
    window->ThisWindow.Display();  // what the next tick does
    EXPECT_TRUE(Find<QCheckBox>("RequestInputs")->isChecked());

    Find("SendOutputs")->setFocus();
    QTest::keyClick(Find("SendOutputs"), Qt::Key_Space);
    Drain();
    EXPECT_EQ(window->Data.SendOutputs, 1);
}

TEST_F(AccessibleActionsTest, ValuesSetWithoutTypingReachTheirVariables) {
    Accessible("Port")->setText(QAccessible::Value, QStringLiteral("1502"));
    Drain();
    EXPECT_EQ(window->Data.Port, 1502);
    Accessible("TimerValue")->valueInterface()->setCurrentValue(42);
    Drain();
    EXPECT_EQ(window->Data.TimerValue, 42);
    EXPECT_EQ(host->Timer().interval(), 420);
}

// Close by its shortcut and by an accessibility press: the timer stops, a tick
// waiting at that moment is dropped, Timer Value keeps its value and nothing
// opens the connection until Open is pressed.
TEST_F(AccessibleActionsTest, CloseByShortcutOrAccessibilityStaysClosed) {
    window->ThisWindow.SetTimer(1);
    ASSERT_TRUE(DrainUntil([this] { return window->Data.TimerValue == 1; }));
    host->Window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host->Window()));
    QTest::keyClick(host->Window(), Qt::Key_C, Qt::AltModifier);  // "&Close"
    ASSERT_TRUE(DrainUntil([this] { return connection->closes == 1; }));
    EXPECT_FALSE(host->Timer().isActive());
    QTest::qWait(30);
    Drain();
    EXPECT_EQ(window->Data.TimerValue, 1);

    Accessible("BOpen")->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(DrainUntil([this] { return host->Timer().isActive(); }));
    ASSERT_TRUE(QTest::qWaitFor([this] { return TickWaiting(); }, 5000));
    window->ThisWindow.SetTimer(0);  // what Close does
    EXPECT_FALSE(TickWaiting());
    Accessible("BClose")->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    ASSERT_TRUE(DrainUntil([this] { return connection->closes == 2; }));
    EXPECT_EQ(window->Data.TimerValue, 1);
    EXPECT_EQ(connection->opens.size(), 1u);
}

}  // namespace
}  // namespace gui_test
