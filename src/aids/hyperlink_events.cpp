// A link's share of the window's events: acceptance runs the link, pointer
// events switch its hot state, and the poll on the polling event notices a
// pointer that has left a hot link.
#include <algorithm>
#include <string>

#include "aids/hyperlink.h"
#include "aids/link_text.h"
#include "platform/command_line.h"
#include "platform/debug_output.h"

namespace aids {

void HyperLinkClass::TakeEvent() {
    if (Disable) return;
    if (surface_.Event() == event::kLinkOutcome) {  // links run in the background have answered
        for (const LinkOutcome& outcome : runs_.Take()) CheckShellResult(outcome.result, outcome.command);
        return;
    }
    int32_t field = surface_.Field();
    HLModTempType = surface_.Kind(field);
    if (HLModTempType == kind::kList) {
        TakeListControlEvent(field);
    } else if (ResolveEventControl(field)) {
        if (LinkRow* row = FindRow(field)) HandleRowEvent(*row, field);
    }
    const int32_t eventNumber = surface_.Event();
    if (eventNumber == event::kSelected) LastFieldSelected = field;
    if (eventNumber == event::kResize) Refresh(0);
    TakeListEvent();
}

/// Maps a region over a text link back to the text control. False when the
/// event's control cannot carry a link.
bool HyperLinkClass::ResolveEventControl(int32_t& field) {
    const int32_t k = HLModTempType;
    if (k == kind::kRegion && field > kRegionOffset) {
        field -= kRegionOffset;
        return true;
    }
    if (k == kind::kButton || k == kind::kItem || k == kind::kEntry || k == kind::kCombo || k == kind::kText)
        return true;
    if (field > kRegionOffset) {
        field -= kRegionOffset;
        return true;
    }
    return false;
}

void HyperLinkClass::TakeListControlEvent(int32_t field) {
    const int32_t eventNumber = surface_.Event();
    if (eventNumber == event::kAccepted) {
        surface_.Display(0);
        Refresh(0);
    }
    const int32_t column = surface_.ListColumn(field);
    LinkRow* row = FindRow(field, column);
    ListTrace("UpField: Control: " + std::to_string(row ? row->Control : 0) + " = " + std::to_string(field) +
              " Col: " + std::to_string(row ? row->Column : 0) + "=" + std::to_string(column) +
              " error: " + (row ? "" : "Record Not Found") + " Event: " + std::to_string(eventNumber));
    if (row && surface_.KeyCode() != kRightMouseKey) HandleRowEvent(*row, field);
}

void HyperLinkClass::HandleRowEvent(LinkRow& row, int32_t field) {
    const int32_t k = surface_.Kind(row.Control);
    if (k == kind::kEntry && CheckURLs && surface_.ShownText(row.Control) != row.URL) Refresh(row.Control);
    const int32_t eventNumber = surface_.Event();
    Debug("In TakeEvent: Ctrl: " + std::to_string(field) + "(" + std::to_string(row.Control) + "," +
          std::to_string(row.Column) + ") Event: " + std::to_string(eventNumber) +
          " UseEvent: " + std::to_string(row.UseEvent) + " LastSel: " + std::to_string(LastFieldSelected));
    if (!row.Active) return;
    switch (eventNumber) {
        case event::kNone:
            return;
        case event::kPointerEntered:
        case event::kPointerMoved:
        case event::kPointerLeft:
            HandlePointer(row, eventNumber);
            return;
        case event::kAccepted:
            if (!surface_.InAcceptAllPass() && (row.UseEvent == 0 || row.UseEvent == 1)) RunLink(row);
            return;
        default:
            break;
    }
    if (eventNumber != row.UseEvent) return;
    if (LastFieldSelected == field)
        RunLink(row);
    else if (row.UseStdAction == 1)
        surface_.Select(row.Control);
    else
        RunLink(row);
}

void HyperLinkClass::HandlePointer(LinkRow& row, int32_t eventNumber) {
    const int32_t k = surface_.Kind(row.Control);
    if (eventNumber == event::kPointerLeft) {
        if (k == kind::kList) return;
        row.Working = 0;
        Refresh(row.Control);
        return;
    }
    if (row.Bright > 0 && kind::IsStringControl(k) && row.Working == 0 && row.Normal < 1)
        row.Normal = surface_.TextColour(row.Control);
    if (k == kind::kList || row.Working != 0) return;
    row.Working = 1;
    Refresh(row.Control);
}

// --- The pointer poll ----------------------------------------------------------

void HyperLinkClass::TakeListEvent() {
    if (Disable || surface_.Event() != HandCursor) return;
    const Point pointer = surface_.PointerPosition();
    bool handShown = false;
    for (std::size_t i = 0; i < ItemQ.Rows.size(); ++i) PollRow(ItemQ.Rows[i], pointer, handShown);
    if (handShown) return;
    for (int32_t list : listsShowingHand_) surface_.SetCursor(list, "");
    listsShowingHand_.clear();
}

void HyperLinkClass::PollRow(LinkRow& row, Point pointer, bool& handShown) {
    const int32_t k = surface_.Kind(row.Control);
    if (k != kind::kList) {
        if (row.Working == 0) return;
        const int32_t box = kind::TakesPointerItself(k) ? row.Control : row.Control + kRegionOffset;
        if (!surface_.Position(box).Contains(pointer.x, pointer.y)) surface_.Post(event::kPointerLeft, box);
        return;
    }
    int32_t column = 0;
    int32_t hotRow = 0;
    if (surface_.Position(row.Control).Contains(pointer.x, pointer.y)) {
        hotRow = surface_.ListRowAt(row.Control, pointer, column);
        if (column != row.Column) hotRow = 0;
    }
    if (hotRow != 0 && row.HandCursor) {
        surface_.SetCursor(row.Control, HandCursorToUse);
        if (std::find(listsShowingHand_.begin(), listsShowingHand_.end(), row.Control) == listsShowingHand_.end())
            listsShowingHand_.push_back(row.Control);
        handShown = true;
    }
    if (hotRow == row.Working) return;
    SetStyle(row.Control, row.Column, row.Working, hotRow);
    row.Working = hotRow;
}

void HyperLinkClass::SetStyle(int32_t, int32_t, int32_t, int32_t) {}

// --- Trace -----------------------------------------------------------------------

void HyperLinkClass::Debug(std::string_view text) {
    if (!DebugSet) {
        DebugOn = platform::HasSwitch("/HLDebug") ? 1 : 0;
        DebugSet = 1;
    }
    if (!DebugOn) return;
    constexpr std::size_t kMostTraceText = 1023;
    platform::DebugOutput("HyperLink: " + TrimmedRight(text.substr(0, std::min(text.size(), kMostTraceText))));
}

void HyperLinkClass::ListTrace(std::string_view text) {
    if (!listDebugSet_) {
        listDebugOn_ = platform::HasSwitch("/HLDebugList") ? 1 : 0;
        listDebugSet_ = 1;
    }
    if (listDebugOn_) Debug(text);
}

}  // namespace aids
