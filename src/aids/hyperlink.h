// Links on window controls: accepting a linked control (pressing the button,
// clicking the text) hands its target (a web address, an e-mail address or a
// file) to the program the desktop has registered for it. Text links also get
// link colours, underlining, a hand cursor and a hot state while the pointer
// is over them; a text link's pointer events come from a companion region
// numbered control + 2800 laid over the text.
//
// The owning window calls Init and AddItem once, then TakeEvent for every
// event (TakeEvent ends with TakeListEvent, the pointer poll).
//
// Window thread only. A link whose opener may keep the caller waiting runs
// on a thread of its own (aids/link_runs.h) and its outcome comes back as an event.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "aids/link_runs.h"
#include "aids/surface.h"

namespace aids {

/// Number added to a text control's number to get its companion region.
inline constexpr int32_t kRegionOffset = 2800;
inline constexpr std::string_view kNoBrowser = "No Browser found in the registry.";

/// One link.
struct LinkRow {
    int32_t Control = 0;
    std::string URL;  // at most 4096 characters
    Colour Normal = 0;
    Colour Bright = 0;
    Colour InactiveColor = 0;
    int32_t Style = 0;
    int32_t Column = 0;
    uint8_t Underline = 0;
    int32_t UseEvent = 0;
    int32_t Working = 0;  // hot: 1 while the pointer is over it (lists: the row under it)
    uint8_t HandCursor = 0;
    int32_t NormalStyle = 0;
    int32_t BrightStyle = 0;
    uint8_t Active = 0;
    int32_t UseStdAction = 0;
    int32_t SkypeFunction = 0;
};

/// The link rows, kept in order of Control then Column, and the row buffer
/// that AddItem fills (a caller may preset its styles and SkypeFunction).
struct LinkQueue {
    LinkRow Buffer;
    std::vector<LinkRow> Rows;
};

struct TrackerRow {
    int32_t Control = 0;
    std::string OldFormatCol;
    int32_t ColumnNo = 0;
};

class HyperLinkClass {
public:
    explicit HyperLinkClass(Surface& surface);
    virtual ~HyperLinkClass() = default;
    HyperLinkClass(const HyperLinkClass&) = delete;
    HyperLinkClass& operator=(const HyperLinkClass&) = delete;

    /// Adds a link. For a list, `url` is the column number and `style` the
    /// list style (negative: also the hand cursor).
    virtual void AddItem(int32_t control, std::optional<std::string_view> url, std::optional<Colour> normal,
                         std::optional<Colour> bright, std::optional<int32_t> style, int32_t useStdAction);
    virtual void Init(std::optional<int32_t> pollEvent, uint8_t options);
    virtual void TakeListEvent();
    /// Re-checks and redraws one link, or every link when `control` is 0.
    virtual void Refresh(int32_t control);
    /// Hands URLToRun to the registered program.
    virtual void Run(std::optional<int32_t> control, int32_t limit);
    /// Called when a list link turns hot or cold; does nothing here.
    virtual void SetStyle(int32_t control, int32_t column, int32_t oldRow, int32_t newRow);
    virtual void TakeEvent();
    /// Target of a list cell.
    virtual std::string GetListURL(int32_t control, std::string_view text, std::string_view format, int32_t column);
    /// Replaces the target of a link. Returns false when the control has no link.
    virtual bool ChangeURL(int32_t control, std::string_view url, int32_t column);
    /// The target of the first "<a href=" anchor in `text`, or "".
    virtual std::string GetHTMLString(std::string_view text);
    /// Moves a list link to another column. Returns false when there is none.
    virtual bool ChangeColumn(int32_t control, int32_t oldColumn, int32_t newColumn);
    virtual void SetControlProperties(int32_t control, std::optional<int32_t> flag);
    /// Remembers a list column's format in TrackerQ.
    virtual void SaveFormat(int32_t control, int32_t column, std::string_view format);
    /// `text` with `addition` appended, cut at 4096 characters.
    virtual std::string AddString(std::string_view text, std::string_view addition);
    /// True when some program is registered for the target.
    virtual uint8_t RegCheck(std::string_view url, int32_t skypeFunction);
    virtual uint8_t SetActive(int32_t control, uint8_t active);
    virtual void Debug(std::string_view text);
    /// `text` with the characters an e-mail command cannot carry escaped.
    virtual std::string FormatString(std::string_view text);
    virtual void HandleError(int32_t code, std::string_view text, std::string_view caption);
    /// A derived class may set URLToRun and return non-zero to replace a target.
    virtual int32_t RefreshURL(int32_t control);

    /// The message for a shell result of 32 or less ("|" starts a new line).
    static std::string_view ShellErrorText(int32_t code);

    // Fields, as the owning window sets and reads them.
    LinkQueue ItemQ;
    std::string HyperBrowser;
    std::string HyperEmail;
    int32_t HandCursor = 0;  // the polling event
    std::string ListURL;
    uint8_t Inited = 0;
    std::string URLToRun;
    std::vector<TrackerRow> TrackerQ;
    std::string OpenProgram;
    uint8_t CheckURLs = 0;
    uint8_t EncodeEmails = 0;
    int32_t LastFieldSelected = 0;
    std::string HandCursorToUse;
    int32_t LimitURL = 0;
    int32_t URLIsNotAnEmail = 0;
    int32_t HLModTempType = 0;
    uint8_t DebugSet = 0;
    uint8_t DebugOn = 0;
    uint8_t TryToStartInExistingWindow = 0;
    uint8_t Disable = 0;

protected:
    /// The default value of `subKey` under the classes root (at most 199
    /// characters), or nothing when it cannot be read.
    virtual std::optional<std::string> ReadClassesRoot(std::string_view subKey);
    /// The system's Windows directory; empty where there is none.
    virtual std::string WindowsDirectory();

    Surface& surface() { return surface_; }

private:
    void FindBrowserAndEmail();
    void ResolveSystemDrive();
    void AddListItem(int32_t control, std::optional<std::string_view> url, std::optional<Colour> normal,
                     std::optional<Colour> bright, std::optional<int32_t> style);
    void AddRow(const LinkRow& row);
    void TraceAddItem(const LinkRow& row);
    void RefreshRow(LinkRow& row);
    void CheckActive(LinkRow& row);
    void ApplyInputLook(const LinkRow& row);
    void ApplyRegionLook(const LinkRow& row, bool first);
    void ApplyTextLook(const LinkRow& row, bool first);
    bool ResolveEventControl(int32_t& field);
    void TakeListControlEvent(int32_t field);
    void HandleRowEvent(LinkRow& row, int32_t field);
    void HandlePointer(LinkRow& row, int32_t eventNumber);
    void RunLink(LinkRow& row);
    std::string TargetOf(const LinkRow& row);
    void RunEmail(int32_t limit);
    void Open(const std::string& file, const std::string& parameters, const std::string& command);
    void CheckShellResult(int32_t result, std::string_view command);
    void PollRow(LinkRow& row, Point pointer, bool& handShown);
    void ListTrace(std::string_view text);
    LinkRow* FindRow(int32_t control);
    LinkRow* FindRow(int32_t control, int32_t column);

    Surface& surface_;
    uint8_t listDebugSet_ = 0;
    uint8_t listDebugOn_ = 0;
    std::vector<int32_t> listsShowingHand_;
    LinkRuns runs_;
};

/// The link object of the test window: list links carry no target of their own.
class ThisHyperLinkClass : public HyperLinkClass {
public:
    using HyperLinkClass::HyperLinkClass;
    std::string GetListURL(int32_t control, std::string_view text, std::string_view format, int32_t column) override;
};

}  // namespace aids
