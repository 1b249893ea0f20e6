#include "window/window_manager.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/threads.h"
#include "window/headless_host.h"

namespace window {
namespace {

WindowDeclaration SmallWindow() {
    WindowDeclaration w{"Small", "Tahoma", 10, "", 200, 100, {}};
    auto add = [&](Control c) { w.controls.push_back(std::move(c)); };
    add({.name = "Sheet", .kind = ControlKind::Sheet});
    add({.name = "Tab_One", .kind = ControlKind::Tab, .text = "One", .parent = "Sheet"});
    add({.name = "Tab_Two", .kind = ControlKind::Tab, .text = "Two", .parent = "Sheet"});
    add({.name = "Port", .kind = ControlKind::Entry, .parent = "Tab_One", .picture = "n6", .use = "Port"});
    add({.name = "Period",
         .kind = ControlKind::SpinBox,
         .parent = "Tab_One",
         .picture = "n3",
         .use = "Period",
         .range = {0, 100, 1}});
    add({.name = "Name", .kind = ControlKind::TextBox, .parent = "Tab_One", .use = "Name"});
    add({.name = "Flag", .kind = ControlKind::CheckBox, .text = "Flag", .parent = "Tab_Two", .use = "Flag"});
    add({.name = "Count", .kind = ControlKind::Entry, .parent = "Tab_Two", .picture = "N04", .use = "Count"});
    add({.name = "Go", .kind = ControlKind::Button, .text = "&Go"});
    add({.name = "Quit", .kind = ControlKind::Button, .text = "Quit"});
    add({.name = "Lines",
         .kind = ControlKind::List,
         .use = "Lines",
         .columns = {{"N", 10, "n03", "N"}, {"Text", 40, "s5", "Text"}}});
    return w;
}

// Records the order in which the framework calls the overrides and what they saw.
class SmallManager : public WindowManager {
public:
    SmallManager(WindowHost& host, const WindowDeclaration& d, Bindings& b) : WindowManager(host, d, b) {}
    int Init() override {
        calls += "Init ";
        if (int result = WindowManager::Init(); result != 0) return result;
        SetCloseButton("Quit", kRequestCompleted);
        Open();
        return failInit;
    }
    int TakeAccepted() override {
        int result = WindowManager::TakeAccepted();
        calls += "Accepted:" + Field() + " ";
        if (Field() == "Go") goPortSeen = port;
        return result;
    }
    int TakeNewSelection() override {
        int result = WindowManager::TakeNewSelection();
        calls += "NewSelection:" + Field() + " ";
        return result;
    }
    int TakeWindowEvent() override {
        int result = WindowManager::TakeWindowEvent();
        if (Event() == kOpenWindow) calls += "Opened ";
        if (Event() == kTimer) ++ticks;
        if (Event() == kCloseWindow) calls += "Close ";
        return result;
    }
    int Kill() override {
        calls += "Kill ";
        return WindowManager::Kill();
    }

    int failInit = 0;
    std::string calls;
    int ticks = 0;
    uint16_t port = 0;
    uint16_t goPortSeen = 0;
};

class Framework : public ::testing::Test {
protected:
    Framework() {
        bindings.BindNumber("Port", port);
        bindings.BindNumber("Period", period);
        bindings.BindText("Name", name);
        bindings.BindNumber("Flag", flag);
        bindings.BindNumber("Count", count);
        bindings.BindRows("Lines", [this](std::vector<Row>& rows) { rows = lines; });
    }
    platform::ManualClock clock{100};
    platform::ScopedClock scoped{clock};
    WindowDeclaration declaration = SmallWindow();
    Bindings bindings;
    uint16_t port = 502;
    int32_t period = 0;
    platform::BlankPadded<8> name;
    int32_t flag = 0;
    int16_t count = 7;
    std::vector<Row> lines;
    HeadlessHost host{clock};
    SmallManager window{host, declaration, bindings};
};

TEST_F(Framework, InitOpensTheWindowAndShowsItsVariables) {
    ASSERT_EQ(host.Start(window), 0);
    EXPECT_EQ(window.calls, "Init Opened ");
    EXPECT_TRUE(host.WindowShowing());
    EXPECT_EQ(host.Shows("Port"), "502");
    EXPECT_EQ(host.Shows("Count"), "0007");
    EXPECT_EQ(host.CurrentTab("Sheet"), "Tab_One");
}

TEST_F(Framework, ClosingButtonEndsWithCompletedAndKillRunsOnce) {
    host.Start(window);
    host.Press("Quit");
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(host.Response(), kRequestCompleted);
    EXPECT_EQ(window.calls, "Init Opened Accepted:Quit Close Kill ");
    EXPECT_FALSE(host.WindowShowing());
    EXPECT_EQ(window.Kill(), kLevelNotify);
    EXPECT_THROW(host.Press("Go"), std::logic_error);
}

TEST_F(Framework, CloseBoxEndsWithCancelled) {
    host.Start(window);
    host.CloseBox();
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(host.Response(), kRequestCancelled);
}

TEST_F(Framework, FailedInitSkipsTheLoopButStillKills) {
    window.failInit = 4;
    EXPECT_EQ(host.Start(window), 4);
    EXPECT_TRUE(host.Ended());
    EXPECT_EQ(window.calls, "Init Kill ");
}

TEST_F(Framework, RunDrainsPostedEventsThenTheUserCloses) {
    platform::PostEvent(kFirstUserEvent + 5);
    EXPECT_EQ(window.Run(), kRequestCancelled);
    EXPECT_EQ(window.calls, "Init Opened Close Kill ");
}

TEST_F(Framework, TypingThenPressingAButtonAcceptsTheEntryFirst) {
    host.Start(window);
    host.Type("Port", "503");
    EXPECT_EQ(port, 502);  // still typing
    host.Press("Go");
    EXPECT_EQ(window.goPortSeen, 0);
    EXPECT_EQ(port, 503);
    EXPECT_NE(window.calls.find("Accepted:Port Accepted:Go"), std::string::npos);
}

TEST_F(Framework, NumbersTheFieldCannotHoldAreRefusedNotWrapped) {
    host.Start(window);
    for (const char* refused : {"70000", "not a port", "-4"}) {
        host.Enter("Port", refused);
        EXPECT_EQ(port, 502) << refused;
        EXPECT_EQ(host.Shows("Port"), "502") << refused;
    }
    ASSERT_EQ(host.Messages().size(), 3u);
    EXPECT_EQ(host.Messages()[0].text, "Port: \"70000\" was not taken.|Enter a whole number from 0 to 65535.");
    host.Enter("Port", "65535");
    EXPECT_EQ(port, 65535);
    host.SelectTab("Tab_Two");
    host.Enter("Count", "99999");  // a 16-bit field, but the picture shows four digits
    EXPECT_EQ(count, 7);
    EXPECT_EQ(host.Messages().back().text, "Count: \"99999\" was not taken.|Enter a whole number from 0 to 9999.");
}

TEST_F(Framework, TextsAreCutAndSpinBoxesHeldToTheirRange) {
    host.Start(window);
    host.Enter("Name", "abcdefghijk");
    EXPECT_EQ(name.View(), "abcdefgh");
    EXPECT_EQ(host.Shows("Name"), "abcdefgh");
    host.Enter("Period", "250");  // beyond the spin box's range
    EXPECT_EQ(period, 100);
    host.Enter("Period", "-3");
    EXPECT_EQ(period, 0);
}

TEST_F(Framework, SpinArrowsRaiseNewSelectionWithTheValueStored) {
    host.Start(window);
    host.Spin("Period", 12);
    EXPECT_EQ(period, 12);
    EXPECT_NE(window.calls.find("NewSelection:Period"), std::string::npos);
}

TEST_F(Framework, ControlsOnAHiddenTabCannotBeUsed) {
    host.Start(window);
    EXPECT_THROW(host.Tick("Flag"), std::invalid_argument);
    EXPECT_THROW(host.Press("Nope"), std::invalid_argument);
    EXPECT_THROW(host.Press("Port"), std::invalid_argument);
    host.SelectTab("Tab_Two");
    host.Tick("Flag");
    EXPECT_EQ(flag, 1);
    EXPECT_TRUE(host.IsTicked("Flag"));
    host.Tick("Flag", false);
    EXPECT_EQ(flag, 0);
    host.Enter("Count", "12");
    EXPECT_EQ(host.Shows("Count"), "0012");
}

TEST_F(Framework, TimerTicksFollowTheManualClock) {
    host.Start(window);
    window.SetTimer(8);
    host.Advance(7);
    EXPECT_EQ(window.ticks, 0);
    host.Advance(17);
    EXPECT_EQ(window.ticks, 3);
    window.SetTimer(0);
    host.Advance(100);
    EXPECT_EQ(window.ticks, 3);
    window.SetTimer(-5);
    EXPECT_EQ(window.Timer(), 0);
    EXPECT_EQ(clock.Ticks(), 124);
}

TEST_F(Framework, DisplayLeavesTypingAloneAndFormatsListRows) {
    host.Start(window);
    window.SetTimer(1);
    host.Type("Port", "50");
    lines = {{int64_t{3}, std::string("hello world")}};
    host.Advance(1);
    EXPECT_EQ(host.Shows("Port"), "50");
    ASSERT_EQ(host.Rows("Lines").size(), 1u);
    EXPECT_EQ(host.Rows("Lines")[0], (std::vector<std::string>{"003", "hello"}));
}

TEST_F(Framework, ATickShowsOnlyTheControlsAndListsWhoseValuesChanged) {
    lines = {{int64_t{3}, std::string("hello")}};
    host.Start(window);
    window.SetTimer(1);
    host.Advance(1);
    const std::size_t before = host.ShowCalls();
    host.Advance(3);
    EXPECT_EQ(host.ShowCalls(), before);
    count = 8;
    host.Advance(1);
    EXPECT_EQ(host.ShowCalls(), before + 1);
    EXPECT_EQ(host.Shows("Count"), "0008");
    std::get<std::string>(lines[0][1]) = "world";
    host.Advance(1);
    EXPECT_EQ(host.ShowCalls(), before + 2);
    EXPECT_EQ(host.Rows("Lines")[0][1], "world");
}

// The window looks its variables up once, and again after the bindings change.
TEST_F(Framework, ABindingMadeWhileTheWindowRunsIsShownFromTheNextDisplay) {
    host.Start(window);
    EXPECT_EQ(host.Shows("Count"), "0007");
    int16_t other = 42;
    bindings.BindNumber("Count", other);
    window.Display();
    EXPECT_EQ(host.Shows("Count"), "0042");
    lines = {{int64_t{5}, std::string("abcdefg")}};
    bindings.BindRows("Lines", [](std::vector<Row>& rows) { rows = {{int64_t{9}, std::string("xy")}}; });
    window.Display();
    ASSERT_EQ(host.Rows("Lines").size(), 1u);
    EXPECT_EQ(host.Rows("Lines")[0], (std::vector<std::string>{"009", "xy"}));
}

TEST_F(Framework, MessageBoxesAreRecorded) {
    host.Start(window);
    window.Message("one|two", "Caption");
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].text, "one|two");
}

}  // namespace
}  // namespace window
