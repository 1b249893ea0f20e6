// The window timer: a Qt timer run at the window's period in hundredths,
// whose ticks reach the window one at a time.
#include <QPushButton>
#include <QSpinBox>

#include "gui_fixture.h"
#include "window/events.h"

namespace gui_test {
namespace {

class TimerTest : public GuiWindowTest {
protected:
    void SetUp() override { StartWindow(); }

    /// Waits (bounded) until the Qt timer has put a tick in front of the window, then runs it.
    bool NextTick() {
        const bool ticked = QTest::qWaitFor(
            [this] {
                for (const auto& event : host->Waiting())
                    if (event.event == window::kTimer) return true;
                return false;
            },
            5000);
        Drain();
        return ticked;
    }
};

TEST_F(TimerTest, AfterInitTheTimerRunsEveryEightHundredthsAndTicksReachTheWindow) {
    EXPECT_TRUE(host->Timer().isActive());
    EXPECT_EQ(host->Timer().interval(), 80);
    EXPECT_EQ(host->Timer().timerType(), Qt::PreciseTimer);
    ASSERT_TRUE(NextTick());
    EXPECT_EQ(window->Data.TimerValue, 8);  // the tick copied the period into Timer Value
    EXPECT_EQ(Find<QSpinBox>("TimerValue")->value(), 8);
}

TEST_F(TimerTest, APeriodChangedWhileRunningTakesEffectAtOnce) {
    window->ThisWindow.SetTimer(37);
    EXPECT_EQ(host->Timer().interval(), 370);
    window->ThisWindow.SetTimer(5);  // the fastest Auto Time period
    EXPECT_EQ(host->Timer().interval(), 50);
    Click("BClose");
    EXPECT_FALSE(host->Timer().isActive());
}

TEST_F(TimerTest, PostTimerEventRunsOneTickAndStopsTheTimer) {
    Click("BPostTimerEvent");
    EXPECT_EQ(host->Timer().interval(), 10);
    // On a slow machine the tick may already have come while the click's own
    // events were run; either way one tick must end with the timer stopped.
    const bool stopped = QTest::qWaitFor(
        [this] {
            Drain();
            return !host->Timer().isActive();
        },
        5000);
    EXPECT_TRUE(stopped);
    EXPECT_EQ(window->ThisWindow.Timer(), 0);
}

TEST_F(TimerTest, TicksDueWhileTheWindowIsBusyWaitAsOne) {
    window->ThisWindow.SetTimer(1);
    // The window is busy (no events taken) while several periods pass.
    ASSERT_TRUE(QTest::qWaitFor([this] { return !host->Waiting().empty(); }, 5000));
    QTest::qWait(50);
    int ticks = 0;
    for (const auto& event : host->Waiting()) ticks += event.event == window::kTimer;
    EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace gui_test

namespace gui_test {
namespace {

TEST_F(TimerTest, ANumberPostedFromAnotherThreadWakesTheWindowsLoop) {
    const int windowThread = platform::ThisThread();
    auto started = platform::StartThread([windowThread] { platform::PostEvent(0x7123, windowThread); });
    started.thread.join();
    // The post hook schedules the drain on the Qt loop; no one takes the queue by hand here.
    EXPECT_TRUE(QTest::qWaitFor(
        [this] {
            for (const auto& event : host->Waiting())
                if (event.event == 0x7123) return true;
            return false;
        },
        5000));
}

}  // namespace
}  // namespace gui_test
