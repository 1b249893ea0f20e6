#include "aids/hyperlink.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "fake_surface.h"
#include "platform/command_line.h"
#include "platform/debug_output.h"
#include "platform/registry.h"
#include "platform/shell_execute.h"
#include "platform/threads.h"
#include "recording_launcher.h"

namespace aids {
namespace {

using ::testing::ElementsAre;
using testing::FakeSurface;
using ::testing::IsEmpty;

constexpr int32_t kAbout = 5;
constexpr int32_t kServer = 7;
constexpr int32_t kLabel = 9;
constexpr int32_t kTimerEvent = event::kTimer;
constexpr std::string_view kAddress = "https://brackwater.example.org/dl06";

using testsupport::RecordingLauncher;

class HyperLink : public ::testing::Test {
protected:
    HyperLink() {
        platform::SetCommandLine("brackwater");
        surface.controls[kAbout] = {kind::kButton, {500, 10, 40, 14}, true, false, "About", 0};
        surface.controls[kServer] = {kind::kEntry, {60, 30, 100, 10}, true, false, "mail@example.com", 0};
        surface.controls[kLabel] = {kind::kString, {60, 50, 80, 10}, true, false, "www.example.com", 0x000080};
    }

    /// The test window's calling order.
    void SetUpAboutLink(HyperLinkClass& object) {
        object.HandCursorToUse = "~hand2.cur";
        object.Init(kTimerEvent, 0);
        object.LimitURL = -1;
        object.ItemQ.Buffer.SkypeFunction = 0;
        object.AddItem(kAbout, kAddress, std::nullopt, std::nullopt, std::nullopt, 0);
        object.Refresh(0);
    }

    void Accept(HyperLinkClass& object, int32_t control) {
        surface.At(event::kAccepted, control);
        object.TakeEvent();
    }

    platform::TemporaryRegistry registry;
    FakeSurface surface;
    RecordingLauncher launcher;
    platform::ScopedShellLauncher scopedLauncher{launcher};
    ThisHyperLinkClass link{surface};
};

TEST_F(HyperLink, AboutButtonHandsItsAddressToTheOpener) {
    SetUpAboutLink(link);
    surface.looks.clear();
    Accept(link, kAbout);
    EXPECT_THAT(launcher.launched, ElementsAre(ElementsAre("xdg-open", std::string(kAddress))));
    EXPECT_THAT(surface.messages, IsEmpty());
    EXPECT_EQ(link.URLToRun, kAddress);
    EXPECT_THAT(surface.looks, IsEmpty()) << "a button link changes no colour, underline or cursor";
}

TEST_F(HyperLink, OtherEventsAndTheAcceptAllPassOpenNothing) {
    SetUpAboutLink(link);
    surface.acceptAll = true;
    Accept(link, kAbout);
    surface.acceptAll = false;
    surface.At(event::kSelected, kAbout);
    link.TakeEvent();
    surface.At(event::kTimer);
    link.TakeEvent();
    EXPECT_THAT(launcher.launched, IsEmpty());
    EXPECT_EQ(link.LastFieldSelected, kAbout);
}

TEST_F(HyperLink, ShellFailuresShowTheirTextAndTheCommand) {
    SetUpAboutLink(link);
    const std::string url(kAddress);
    struct Case {
        int32_t code;
        std::string text;
    } cases[] = {
        {2, "(2) The specified file was not found. File:|" + url},
        {31, "(31) There is no application associated with the given file name extension. File:|" + url},
        {0, "(0) The Operating system is out of memory/resources. File:|" + url},
        {4, "(4) The .exe file is invalid (non-Win32\u00AE .exe or error in .exe image). File:|" + url},
        {17, "(17) Unknown ShellExecute Error occured. File:|" + url},
        {32, "(32) The specified dynamic-link library was not found. File:|" + url},
    };
    for (const Case& c : cases) {
        surface.messages.clear();
        launcher.result = c.code;
        Accept(link, kAbout);
        ASSERT_EQ(surface.messages.size(), 1u) << c.code;
        EXPECT_EQ(surface.messages[0].text, c.text);
        EXPECT_EQ(surface.messages[0].caption, "Shell Execute Error:" + std::to_string(c.code));
        EXPECT_EQ(surface.messages[0].icon, MessageIcon::Information);
    }
    launcher.result = 33;
    surface.messages.clear();
    Accept(link, kAbout);
    EXPECT_THAT(surface.messages, IsEmpty()) << "33 is success";
    EXPECT_EQ(launcher.launched.size(), 7u) << "the link stays and every acceptance tries again";
}

/// An opener that answers only when the test lets it, as a slow desktop opener does.
class SlowLauncher : public platform::ShellLauncher {
public:
    bool MayWait() const override { return true; }
    int32_t Launch(const std::vector<std::string>&) override {
        std::unique_lock lock(mutex);
        answer.wait(lock, [&] { return released; });
        return platform::kShellFileNotFound;
    }
    void Release() {
        std::lock_guard lock(mutex);
        released = true;
        answer.notify_all();
    }
    std::mutex mutex;
    std::condition_variable answer;
    bool released = false;
};

TEST_F(HyperLink, ASlowOpenerKeepsNoOneWaitingAndItsFailureIsShownAfterwards) {
    SlowLauncher slow;
    platform::ScopedShellLauncher scoped{slow};
    SetUpAboutLink(link);
    Accept(link, kAbout);
    EXPECT_THAT(surface.messages, IsEmpty()) << "the window thread goes on while the opener works";
    slow.Release();

    const auto posted = platform::WaitEvent(std::chrono::milliseconds(10000));
    ASSERT_EQ(posted, event::kLinkOutcome);
    surface.At(*posted);
    link.TakeEvent();
    ASSERT_EQ(surface.messages.size(), 1u);
    EXPECT_EQ(surface.messages[0].text, "(2) The specified file was not found. File:|" + std::string(kAddress));
    EXPECT_EQ(surface.messages[0].caption, "Shell Execute Error:2");
}

TEST_F(HyperLink, TraceLinesOnlyWithTheSwitch) {
    {
        platform::ScopedCapture capture;
        ThisHyperLinkClass quiet(surface);
        SetUpAboutLink(quiet);
        Accept(quiet, kAbout);
        EXPECT_THAT(capture.Lines(), IsEmpty());
    }
    platform::SetCommandLine("brackwater /HLDEBUGLIST");
    platform::ScopedCapture capture;
    SetUpAboutLink(link);
    Accept(link, kAbout);
    const std::string url(kAddress);
    EXPECT_THAT(capture.Lines(),
                ElementsAre("HyperLink: No Browser found in the registry.", "HyperLink: No Email program found",
                            "HyperLink: In AddItem: 5 URL: " + url +
                                " Norm: 0 Brt: 0 InActCol: 0 Style: 0 Col: 0 UnderLine: 0 Event: 0 Cur: 0 NStl: 00"
                                " StdA: 0 Skype: 0",
                            "HyperLink: In TakeEvent: Ctrl: 5(5,0) Event: 1 UseEvent: 0 LastSel: 0",
                            "HyperLink: Before Run: Control: 5 Col: 0 Skype: 0 URL:" + url,
                            "HyperLink: Command to run: [" + url + "]"));
}

TEST_F(HyperLink, TraceTextIsCutAndLosesTrailingBlanks) {
    platform::SetCommandLine("brackwater /hldebug");
    platform::ScopedCapture capture;
    link.Debug("abc   ");
    link.Debug(std::string(2000, 'x'));
    auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "HyperLink: abc");
    EXPECT_EQ(lines[1], "HyperLink: " + std::string(1023, 'x'));
}

TEST_F(HyperLink, EmptyRegistryMeansNoBrowserAndNoMailProgram) {
    SetUpAboutLink(link);
    EXPECT_EQ(link.HyperBrowser, "No Browser found in the registry.");
    EXPECT_EQ(link.HyperEmail, "");
    EXPECT_EQ(link.Inited, 1);
    EXPECT_EQ(link.HandCursor, kTimerEvent);
}

/// A link object on a system with a Windows directory.
class WindowsLink : public ThisHyperLinkClass {
public:
    using ThisHyperLinkClass::ThisHyperLinkClass;

protected:
    std::string WindowsDirectory() override { return "D:\\WINNT"; }
};

TEST_F(HyperLink, RegisteredBrowserIsFoundThroughTheClassesRoot) {
    using platform::RegistryRoot;
    using platform::RegistryValue;
    platform::WriteRegistryValue(RegistryRoot::ClassesRoot, ".htm", "", RegistryValue::String("htmlfile"));
    platform::WriteRegistryValue(RegistryRoot::ClassesRoot, "htmlfile\\shell\\open\\command", "",
                                 RegistryValue::String("\"C:\\Program Files\\IExplore.exe\" -nohome %1"));
    platform::WriteRegistryValue(RegistryRoot::ClassesRoot, "mailto\\shell\\open\\command", "",
                                 RegistryValue::String("x%SystemDrive%\\Mail\\mail.exe %SystemDrive% %1"));
    WindowsLink windows(surface);
    windows.Init(kTimerEvent, 0);
    EXPECT_EQ(windows.HyperBrowser, "\"C:\\Program Files\\IExplore.exe\"");
    EXPECT_EQ(windows.HyperEmail, "xD:\\Mail\\mail.exe %SystemDrive% %1") << "only the first is replaced";

    windows.AddItem(kAbout, "WWW.EXAMPLE.COM", std::nullopt, std::nullopt, std::nullopt, 0);
    Accept(windows, kAbout);
    windows.TryToStartInExistingWindow = 1;
    Accept(windows, kAbout);
    windows.TryToStartInExistingWindow = 0;
    windows.ChangeURL(kAbout, "ftp://files.example.com", 0);
    Accept(windows, kAbout);
    EXPECT_THAT(launcher.launched, ElementsAre(ElementsAre("C:\\Program Files\\IExplore.exe", "WWW.EXAMPLE.COM"),
                                               ElementsAre("xdg-open", "WWW.EXAMPLE.COM"),
                                               ElementsAre("xdg-open", "ftp://files.example.com")));
}

TEST_F(HyperLink, AddressesWithAnAtSignBecomeMailCommands) {
    link.Init(kTimerEvent, 0);
    link.AddItem(kAbout, "someone@example.com", std::nullopt, std::nullopt, std::nullopt, 0);
    Accept(link, kAbout);
    link.ChangeURL(kAbout, "MailTo:someone@example.com", 0);
    Accept(link, kAbout);
    link.ChangeURL(kAbout, "http://user@example.com/", 0);
    Accept(link, kAbout);
    link.ChangeURL(kAbout, "a b@example.com", 0);
    link.EncodeEmails = 1;
    Accept(link, kAbout);
    link.URLIsNotAnEmail = 1;
    link.ChangeURL(kAbout, "someone@example.com", 0);
    Accept(link, kAbout);
    EXPECT_THAT(launcher.launched, ElementsAre(ElementsAre("xdg-open", "mailto:someone@example.com"),
                                               ElementsAre("xdg-open", "MailTo:someone@example.com"),
                                               ElementsAre("xdg-open", "http://user@example.com/"),
                                               ElementsAre("xdg-open", "mailto:a%20b@example.com"),
                                               ElementsAre("xdg-open", "someone@example.com")));
}

TEST_F(HyperLink, MailCommandIsCutToTheLimit) {
    link.Init(kTimerEvent, 0);
    link.HyperEmail = "mail.exe   ";
    link.AddItem(kAbout, "someone@example.com", std::nullopt, std::nullopt, std::nullopt, 0);
    link.LimitURL = 20;  // 20 - 8 characters of the program leave 12
    Accept(link, kAbout);
    link.LimitURL = -1;
    Accept(link, kAbout);
    EXPECT_THAT(launcher.launched, ElementsAre(ElementsAre("xdg-open", "mailto:someo"),
                                               ElementsAre("xdg-open", "mailto:someone@example.com")));
}

TEST_F(HyperLink, CallLinksGetTheSkypeForm) {
    link.Init(kTimerEvent, 0);
    link.ItemQ.Buffer.SkypeFunction = 2;
    link.AddItem(kAbout, "echo123  ", std::nullopt, std::nullopt, std::nullopt, 0);
    EXPECT_EQ(link.ItemQ.Buffer.SkypeFunction, 0) << "the buffer is reset after each AddItem";
    Accept(link, kAbout);
    EXPECT_THAT(launcher.launched, ElementsAre(ElementsAre("xdg-open", "skype:echo123  ?chat")));
}

TEST_F(HyperLink, DisabledObjectDoesNothing) {
    link.Disable = 1;
    link.Init(kTimerEvent, 0);
    link.AddItem(kAbout, kAddress, std::nullopt, std::nullopt, std::nullopt, 0);
    Accept(link, kAbout);
    link.URLToRun = kAddress;
    link.Run(kAbout, 0);
    EXPECT_EQ(link.SetActive(kAbout, 1), 0);
    EXPECT_EQ(link.Inited, 0);
    EXPECT_THAT(link.ItemQ.Rows, IsEmpty());
    EXPECT_THAT(launcher.launched, IsEmpty());
}

TEST_F(HyperLink, InactiveLinkIsNotRunUntilActiveAgain) {
    SetUpAboutLink(link);
    EXPECT_EQ(link.SetActive(kAbout, 0), 1);
    EXPECT_EQ(link.SetActive(kServer, 0), 0) << "no row for that control";
    Accept(link, kAbout);
    EXPECT_THAT(launcher.launched, IsEmpty());
    link.SetActive(kAbout, 1);
    Accept(link, kAbout);
    EXPECT_EQ(launcher.launched.size(), 1u);
}

TEST_F(HyperLink, ButtonHotStateFollowsThePointer) {
    SetUpAboutLink(link);
    surface.At(event::kPointerEntered, kAbout);
    link.TakeEvent();
    EXPECT_EQ(link.ItemQ.Rows[0].Working, 1);
    surface.pointer = {540, 24};  // the corner counts as inside
    surface.At(kTimerEvent);
    link.TakeEvent();
    EXPECT_THAT(surface.posts, IsEmpty());
    surface.pointer = {541, 24};
    link.TakeEvent();
    EXPECT_THAT(surface.posts, ElementsAre(std::pair{event::kPointerLeft, kAbout}));
    surface.At(event::kPointerLeft, kAbout);
    link.TakeEvent();
    EXPECT_EQ(link.ItemQ.Rows[0].Working, 0);
    EXPECT_THAT(surface.looks, IsEmpty());
}

TEST_F(HyperLink, TextLinkWorksThroughItsRegion) {
    link.HandCursorToUse = "~hand2.cur";
    link.Init(kTimerEvent, 0);
    link.AddItem(kLabel, std::nullopt, std::nullopt, 0x0000FF, 1, 0);
    const int32_t region = kLabel + kRegionOffset;
    EXPECT_EQ(link.ItemQ.Rows[0].Normal, 0x000080) << "a text link keeps its own colour when cold";
    EXPECT_EQ(link.ItemQ.Rows[0].Underline, 1);
    EXPECT_EQ(surface.Kind(region), kind::kRegion);

    surface.looks.clear();
    surface.At(event::kPointerEntered, region);
    link.TakeEvent();
    EXPECT_THAT(surface.looks, ::testing::Contains("9 colour 255")) << "bright while hot";
    surface.pointer = {0, 0};
    surface.At(kTimerEvent);
    link.TakeEvent();
    EXPECT_THAT(surface.posts, ElementsAre(std::pair{event::kPointerLeft, region}));

    Accept(link, region);
    EXPECT_THAT(launcher.launched, ElementsAre(ElementsAre("xdg-open", "www.example.com")))
        << "without a target the text itself is run";
}

TEST_F(HyperLink, EntryLinkRunsOnItsAlertKeyWithTheTypedText) {
    link.HandCursorToUse = "~hand2.cur";
    link.Init(kTimerEvent, 0);
    link.AddItem(kServer, std::nullopt, std::nullopt, std::nullopt, std::nullopt, 13);
    EXPECT_EQ(link.ItemQ.Rows[0].UseEvent, event::kAlertKey);
    EXPECT_THAT(surface.looks, ::testing::IsSupersetOf({"7 alert 13", "7 cursor ~hand2.cur"}));
    surface.controls[kServer].shown = "https://typed.example.com";
    link.Refresh(kServer);
    EXPECT_EQ(link.ItemQ.Rows[0].URL, "https://typed.example.com");
    surface.At(event::kAlertKey, kServer);
    link.TakeEvent();
    EXPECT_THAT(launcher.launched, ElementsAre(ElementsAre("xdg-open", "https://typed.example.com")));
}

TEST_F(HyperLink, RowsStayInControlOrderAndRegChecksMarkDeadLinks) {
    link.Init(kTimerEvent, 0);
    link.AddItem(kLabel, "x", std::nullopt, std::nullopt, std::nullopt, 0);
    link.AddItem(kAbout, "nosuchscheme:thing", std::nullopt, std::nullopt, std::nullopt, 0);
    ASSERT_EQ(link.ItemQ.Rows.size(), 2u);
    EXPECT_EQ(link.ItemQ.Rows[0].Control, kAbout);
    link.CheckURLs = 1;
    link.Refresh(0);
    EXPECT_EQ(link.ItemQ.Rows[0].Active, 1) << "buttons are left alone by Refresh";
    link.ItemQ.Rows[1].URL = "nosuchscheme:thing";
    link.Refresh(kLabel);
    EXPECT_EQ(link.ItemQ.Rows[1].Active, 0);
    EXPECT_EQ(link.RegCheck("https://example.com", 0), 1);
    EXPECT_EQ(link.RegCheck("someone@example.com", 0), 0) << "no mail program registered";
}

}  // namespace
}  // namespace aids
