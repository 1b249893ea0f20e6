// Link set-up: Init with the browser and e-mail program lookup, AddItem,
// Refresh, SetActive and the look a link gives its control.
#include "aids/hyperlink.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <string>

#include "aids/link_text.h"
#include "platform/registry.h"

namespace aids {
namespace {

/// Registry reads use a buffer of this many bytes, terminator included.
constexpr std::size_t kRegistryBuffer = 200;

int32_t NumberOf(std::string_view text) {
    int32_t number = 0;
    text = platform::TrimRight(text);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

/// The row buffer reset for a new link: only the styles and SkypeFunction
/// keep what the buffer held.
LinkRow FreshRow(int32_t control, const LinkRow& buffer) {
    LinkRow row;
    row.Control = control;
    row.Style = buffer.Style;
    row.NormalStyle = buffer.NormalStyle;
    row.BrightStyle = buffer.BrightStyle;
    row.SkypeFunction = buffer.SkypeFunction;
    row.Active = 1;
    return row;
}

}  // namespace

HyperLinkClass::HyperLinkClass(Surface& surface) : surface_(surface) {}

// --- Init ------------------------------------------------------------------

void HyperLinkClass::Init(std::optional<int32_t> pollEvent, uint8_t options) {
    if (Disable) return;
    ItemQ.Rows.clear();
    TrackerQ.clear();
    if (pollEvent) HandCursor = *pollEvent;
    FindBrowserAndEmail();
    Inited = 1;
    if ((options & 1) == 0) surface_.SetBufferedDrawing(true);
}

void HyperLinkClass::FindBrowserAndEmail() {
    HyperBrowser.clear();
    HyperEmail.clear();
    if (auto fileType = ReadClassesRoot(".htm")) HyperBrowser = *fileType;
    std::string command = HyperBrowser + "\\shell\\open\\command";
    HyperBrowser = kNoBrowser;
    if (auto browser = ReadClassesRoot(command)) {
        HyperBrowser = *browser;
    } else {
        HyperBrowser = kNoBrowser;
        Debug(kNoBrowser);
    }
    // Keep the program's quoted path only, without its arguments.
    auto first = HyperBrowser.find('"');
    auto second = first == std::string::npos ? first : HyperBrowser.find('"', first + 1);
    if (second != std::string::npos) HyperBrowser = HyperBrowser.substr(first, second - first + 1);

    if (auto email = ReadClassesRoot("mailto\\shell\\open\\command")) HyperEmail = *email;
    if (HyperEmail.empty()) {
        Debug("No Email program found");
        return;
    }
    ResolveSystemDrive();
}

void HyperLinkClass::ResolveSystemDrive() {
    static constexpr std::string_view kSystemDrive = "%SystemDrive%";
    auto at = HyperEmail.find(kSystemDrive);
    if (at == std::string::npos) return;
    std::string path = WindowsDirectory();
    auto colon = path.find(':');
    if (colon == std::string::npos) return;
    HyperEmail.replace(at, kSystemDrive.size(), path.substr(0, colon + 1));
}

std::optional<std::string> HyperLinkClass::ReadClassesRoot(std::string_view subKey) {
    platform::RegistryValue value;
    if (platform::ReadRegistryValue(platform::RegistryRoot::ClassesRoot, subKey, "", value) != platform::ERROR_SUCCESS)
        return std::nullopt;
    if (value.type != platform::REG_SZ && value.type != platform::REG_EXPAND_SZ) return std::nullopt;
    return Cut(value.Text(), kRegistryBuffer - 1);
}

std::string HyperLinkClass::WindowsDirectory() { return {}; }

// --- AddItem -----------------------------------------------------------------

void HyperLinkClass::AddItem(int32_t control, std::optional<std::string_view> url, std::optional<Colour> normal,
                             std::optional<Colour> bright, std::optional<int32_t> style, int32_t useStdAction) {
    if (Disable) return;
    HLModTempType = surface_.Kind(control);
    if (HLModTempType == kind::kList) {
        AddListItem(control, url, normal, bright, style);
        return;
    }
    LinkRow& row = ItemQ.Buffer;
    row = FreshRow(control, row);
    row.InactiveColor = surface_.TextColour(control);
    if (url) row.URL = Cut(*url, kMaxUrl);
    if (normal) {
        row.Normal = *normal;
        surface_.SetTextColour(control, *normal);
    } else if (kind::IsStringControl(HLModTempType)) {
        row.Normal = surface_.TextColour(control);
    }
    if (bright) row.Bright = *bright;
    if (style) {
        row.Underline = static_cast<uint8_t>(*style & 1);
        row.UseEvent = *style >> 1;
        surface_.SetUnderline(control, true);
    }
    if (useStdAction != 0 && HLModTempType == kind::kEntry) {
        surface_.AddAlertKey(control, useStdAction);
        row.UseStdAction = useStdAction;
        surface_.SetCursor(control, HandCursorToUse);
        row.UseEvent = event::kAlertKey;
    }
    AddRow(row);
    SetControlProperties(control, 1);
    ItemQ.Buffer.SkypeFunction = 0;
}

void HyperLinkClass::AddListItem(int32_t control, std::optional<std::string_view> url, std::optional<Colour> normal,
                                 std::optional<Colour> bright, std::optional<int32_t> style) {
    LinkRow& row = ItemQ.Buffer;
    row = FreshRow(control, row);
    row.Column = url ? NumberOf(*url) : 0;
    int32_t listStyle = style.value_or(0);
    row.HandCursor = static_cast<uint8_t>(listStyle < 0 ? 1 : 0);
    row.Style = listStyle == INT32_MIN ? 0 : std::abs(listStyle);
    row.NormalStyle = row.Style;
    row.BrightStyle = row.Style + (row.Style < INT32_MAX ? 1 : 0);
    row.Normal = normal.value_or(0);
    row.Bright = bright.value_or(0);
    AddRow(row);
    TrackerQ.push_back(TrackerRow{.Control = control, .OldFormatCol = {}, .ColumnNo = row.Column});
    SetControlProperties(control, 1);
    ItemQ.Buffer.SkypeFunction = 0;
}

void HyperLinkClass::AddRow(const LinkRow& row) {
    auto key = [](const LinkRow& a, const LinkRow& b) {
        return a.Control != b.Control ? a.Control < b.Control : a.Column < b.Column;
    };
    ItemQ.Rows.insert(std::upper_bound(ItemQ.Rows.begin(), ItemQ.Rows.end(), row, key), row);
    TraceAddItem(row);
}

void HyperLinkClass::TraceAddItem(const LinkRow& row) {
    Debug("In AddItem: " + std::to_string(row.Control) + " URL: " + TrimmedRight(row.URL) +
          " Norm: " + std::to_string(row.Normal) + " Brt: " + std::to_string(row.Bright) +
          " InActCol: " + std::to_string(row.InactiveColor) + " Style: " + std::to_string(row.Style) +
          " Col: " + std::to_string(row.Column) + " UnderLine: " + std::to_string(row.Underline) +
          " Event: " + std::to_string(row.UseEvent) + " Cur: " + std::to_string(row.HandCursor) +
          " NStl: " + std::to_string(row.NormalStyle) + std::to_string(row.BrightStyle) +
          " StdA: " + std::to_string(row.UseStdAction) + " Skype: " + std::to_string(row.SkypeFunction));
}

// --- Refresh and SetActive ---------------------------------------------------

void HyperLinkClass::Refresh(int32_t control) {
    if (Disable) return;
    if (control == 0) {
        for (std::size_t i = 0; i < ItemQ.Rows.size(); ++i) RefreshRow(ItemQ.Rows[i]);
        return;
    }
    surface_.Display(control);
    if (LinkRow* row = FindRow(control)) RefreshRow(*row);
}

void HyperLinkClass::RefreshRow(LinkRow& row) {
    int32_t k = surface_.Kind(row.Control);
    if (k == kind::kButton || k == kind::kItem || k == kind::kList || k == kind::kCombo || k == kind::kText) return;
    if (k == kind::kEntry) row.URL = Cut(surface_.ShownText(row.Control), kMaxUrl);
    CheckActive(row);
}

void HyperLinkClass::CheckActive(LinkRow& row) {
    if (CheckURLs && surface_.Kind(row.Control) != kind::kList) {
        Debug("Checking: Ctrl: " + std::to_string(row.Control) + " Skype: " + std::to_string(row.SkypeFunction) +
              " URL: " + TrimmedRight(row.URL));
        row.Active = RegCheck(row.URL, row.SkypeFunction);
        if (!row.Active) Debug("Failed Reg Check on: " + TrimmedRight(row.URL));
    }
    SetControlProperties(row.Control, std::nullopt);
}

uint8_t HyperLinkClass::SetActive(int32_t control, uint8_t active) {
    if (Disable) return 0;
    LinkRow* row = FindRow(control);
    if (!row) return 0;
    row->Active = active ? 1 : 0;
    SetControlProperties(control, std::nullopt);
    return 1;
}

LinkRow* HyperLinkClass::FindRow(int32_t control) {
    auto it =
        std::find_if(ItemQ.Rows.begin(), ItemQ.Rows.end(), [&](const LinkRow& r) { return r.Control == control; });
    return it == ItemQ.Rows.end() ? nullptr : &*it;
}

LinkRow* HyperLinkClass::FindRow(int32_t control, int32_t column) {
    auto it = std::find_if(ItemQ.Rows.begin(), ItemQ.Rows.end(),
                           [&](const LinkRow& r) { return r.Control == control && r.Column == column; });
    return it == ItemQ.Rows.end() ? nullptr : &*it;
}

// --- The look of a link --------------------------------------------------------

void HyperLinkClass::SetControlProperties(int32_t control, std::optional<int32_t> flag) {
    LinkRow* found = FindRow(control);
    int32_t k = surface_.Kind(control);
    bool first = flag.value_or(0) != 0;
    if (k == kind::kList) {
        for (const LinkRow& row : ItemQ.Rows)
            if (row.Control == control && row.Normal != 0)
                surface_.SetListColumnStyle(control, row.Column, row.Style, row.Normal, row.Bright);
        return;
    }
    if (!found) return;
    if (kind::IsStringControl(k) || k == kind::kPrompt)
        ApplyTextLook(*found, first);
    else if (k == kind::kEntry || k == kind::kCombo || k == kind::kText)
        ApplyInputLook(*found);
    else if (k == kind::kRegion)
        ApplyRegionLook(*found, first);
}

void HyperLinkClass::ApplyInputLook(const LinkRow& row) {
    if (row.Active) {
        surface_.SetTextColour(row.Control, row.Normal);
        surface_.SetUnderline(row.Control, row.Underline != 0);
        if (row.UseStdAction != 0) {
            surface_.SetCursor(row.Control, HandCursorToUse);
            surface_.AddAlertKey(row.Control, row.UseStdAction);
        }
        return;
    }
    surface_.SetTextColour(row.Control, row.InactiveColor);
    surface_.SetUnderline(row.Control, false);
    surface_.SetCursor(row.Control, "");
    if (row.UseStdAction != 0) surface_.RemoveAlertKey(row.Control, row.UseStdAction);
}

void HyperLinkClass::ApplyRegionLook(const LinkRow& row, bool first) {
    if (first) {
        surface_.SetCursor(row.Control, HandCursorToUse);
        return;
    }
    if (!row.Active) {
        surface_.SetCursor(row.Control, "");
        surface_.SetEnabled(row.Control, false);
        return;
    }
    surface_.SetCursor(row.Control, HandCursorToUse);
}

void HyperLinkClass::ApplyTextLook(const LinkRow& row, bool first) {
    const int32_t region = row.Control + kRegionOffset;
    if (first) {
        if (row.Underline) surface_.SetUnderline(row.Control, true);
        if (row.NormalStyle != 0) surface_.SetFontWeight(row.Control, row.NormalStyle);
        if (!row.Active) surface_.SetFontWeight(row.Control, kWeightNormal);
        surface_.CreateRegion(region, row.Control);
        surface_.SetCursor(region, HandCursorToUse);
    }
    if (!row.Active) {
        surface_.SetTextColour(row.Control, kNoColour);  // the parent's colour and style
        surface_.SetCursor(region, "");
        surface_.SetEnabled(region, false);
    } else {
        surface_.SetCursor(region, HandCursorToUse);
        surface_.SetEnabled(region, surface_.IsEnabled(row.Control));
        bool hot = row.Working != 0;
        surface_.SetTextColour(row.Control, hot ? row.Bright : row.Normal);
        int32_t weight = hot ? row.BrightStyle : row.NormalStyle;
        if (weight != 0) surface_.SetFontWeight(row.Control, weight);
    }
    surface_.PlaceRegion(region, surface_.Position(row.Control), surface_.IsVisible(row.Control));
}

}  // namespace aids
