// The send log and the raw list: transaction identifiers, entering a request,
// the orders the log is kept in, the cuts that keep both lists short, and the
// text of the raw-list lines.
//
// Window thread only, like the data it works on.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "modbus/test_data.h"

/// Rows and lines kept: the raw list never holds more than this many lines (a
/// new line pushes the oldest out, and every timer tick cuts it again); answered
/// send-log rows at this position (1-based) or beyond are removed after every
/// packet event.
constexpr std::size_t kRawListLines = 30;
constexpr std::size_t kSendLogCutPosition = 30;

/// Advances `Gti` and returns the new transaction identifier: 1, 2, ... 65534, 1, ...
/// (0 and 65535 are never handed out).
uint16_t NextTransactionIdentifier(TestData& data);

/// A cleared send-log row carrying the next transaction identifier, protocol 0
/// and unit 1; the request routine fills in length, function code and data.
CommsRow NewRequest(TestData& data);

/// Enters `row` into the send log unless an unanswered row with the same key
/// (everything after the transaction identifier) is waiting; the waiting row
/// will go out at the next tick anyway. Returns whether the row was entered.
bool EnterRequest(TestData& data, const CommsRow& row);

/// Places `row` into the log in descending order of transaction identifier:
/// before the first row whose identifier is lower.
void InsertByIdentifier(std::vector<CommsRow>& rows, const CommsRow& row);

/// Moves the row at `at` to where InsertByIdentifier would put it if it were
/// taken out and inserted again (the other rows keep their order), without
/// copying rows out and back: a reply updates its row in place.
void RepositionByIdentifier(std::vector<CommsRow>& rows, std::size_t at);

/// Ascending transaction identifier: the order in which rows are sent.
void SortForSending(std::vector<CommsRow>& rows);
/// Latest send first, then descending identifier; rows never sent come last.
void SortForDisplay(std::vector<CommsRow>& rows);

/// Removes answered rows at position 30 and beyond; unanswered rows stay.
void CutSendLog(TestData& data);
/// Deletes the oldest lines until the raw list holds at most 30.
void CutRawList(TestData& data);
/// The Clear button of the formatted list: empties the send log and restarts
/// transaction identifiers, so the next request carries 1.
void ClearSendLog(TestData& data);
/// The Clear button of the raw list.
void ClearRawList(TestData& data);

/// Puts `line` at the top of the raw list (cut to 256 characters); when the
/// list already holds 30 lines the oldest goes, so it never grows past what
/// the tick's cut keeps.
void AddRawLine(TestData& data, std::string_view line);

/// Hours and minutes of a time of day (hundredths from midnight plus 1) as "hhmm".
std::string HourMinuteText(int32_t timeOfDay);
/// A time of day as "hh:mm:ss.cc".
std::string SentTimeText(int32_t timeOfDay);

/// A raw-list line for one frame: "hhmm", " REQ " or " REC " (`tag`), the frame
/// length right-aligned in 3 characters, then " XX" per byte; cut at 256 characters.
std::string FrameLine(int32_t timeOfDay, std::string_view tag, std::span<const uint8_t> frame);

/// Hundredths from time of day `then` to `now`. Across midnight the clock
/// starts again from 1, so a `now` below `then` is taken to be on the next day.
int32_t HundredthsSince(int32_t then, int32_t now);

/// Counts one transmission at time of day `now` for the requests-per-second
/// figure: a measuring window closes with the first transmission more than one
/// second after it began, which starts the next window.
void CountTransmission(TestData& data, int32_t now);
