#include "modbus/send_log.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <string>

#include "platform/clock.h"

namespace {
constexpr uint16_t kLastTransactionIdentifier = 65534;
constexpr std::size_t kLineLength = 256;
}  // namespace

uint16_t NextTransactionIdentifier(TestData& data) {
    int32_t next = static_cast<uint16_t>(data.Gti) + 1;
    if (next > kLastTransactionIdentifier) next = 1;
    auto identifier = static_cast<uint16_t>(next);
    data.Gti = static_cast<int16_t>(identifier);
    return identifier;
}

CommsRow NewRequest(TestData& data) {
    CommsRow row;
    row.OutModbusTcpFrame.SetTransactionIdentifier(NextTransactionIdentifier(data));
    row.OutModbusTcpFrame.SetProtocolIdentifier(0);
    row.OutModbusTcpFrame.SetUnitIdentifier(1);
    return row;
}

bool EnterRequest(TestData& data, const CommsRow& row) {
    auto key = row.OutKeyDataBytes();
    bool waiting = std::any_of(data.QComms.begin(), data.QComms.end(), [&](const CommsRow& other) {
        return other.Recieved == 0 && std::ranges::equal(other.OutKeyDataBytes(), key);
    });
    if (waiting) return false;
    InsertByIdentifier(data.QComms, row);
    return true;
}

void InsertByIdentifier(std::vector<CommsRow>& rows, const CommsRow& row) {
    uint16_t identifier = row.OutModbusTcpFrame.TransactionIdentifier();
    auto at = std::find_if(rows.begin(), rows.end(), [&](const CommsRow& other) {
        return other.OutModbusTcpFrame.TransactionIdentifier() < identifier;
    });
    rows.insert(at, row);  // a row is plain bytes: one copy, straight into place
}

void RepositionByIdentifier(std::vector<CommsRow>& rows, std::size_t at) {
    const uint16_t identifier = rows[at].OutModbusTcpFrame.TransactionIdentifier();
    std::size_t to = 0;  // its place among the other rows: before the first lower identifier
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (i == at) continue;
        if (rows[i].OutModbusTcpFrame.TransactionIdentifier() < identifier) break;
        ++to;
    }
    const auto first = rows.begin();
    const auto index = [](std::size_t n) { return static_cast<std::ptrdiff_t>(n); };
    if (to < at) std::rotate(first + index(to), first + index(at), first + index(at + 1));
    if (to > at) std::rotate(first + index(at), first + index(at + 1), first + index(to + 1));
}

namespace {
/// Puts row order[i] at position i, moving each row once: a permutation is
/// walked cycle by cycle with one row held aside.
void ApplyOrder(std::vector<CommsRow>& rows, std::vector<std::size_t>& order) {
    for (std::size_t start = 0; start < rows.size(); ++start) {
        if (order[start] == start) continue;
        CommsRow held = rows[start];
        std::size_t at = start;
        while (order[at] != start) {
            std::size_t from = order[at];
            rows[at] = rows[from];
            order[at] = at;  // placed
            at = from;
        }
        rows[at] = held;
        order[at] = at;
    }
}

/// A stable sort that leaves an ordered log alone. A row is some 2 KB, so the
/// sort orders row positions and then moves each row once, instead of letting
/// a merge sort copy rows into a buffer and back (every transmission pass turns
/// the log from display order to sending order and back).
template <class Before>
void SortRows(std::vector<CommsRow>& rows, Before before) {
    if (std::is_sorted(rows.begin(), rows.end(), before)) return;
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return before(rows[a], rows[b]); });
    ApplyOrder(rows, order);
}
}  // namespace

void SortForSending(std::vector<CommsRow>& rows) {
    SortRows(rows, [](const CommsRow& a, const CommsRow& b) {
        return a.OutModbusTcpFrame.TransactionIdentifier() < b.OutModbusTcpFrame.TransactionIdentifier();
    });
}

void SortForDisplay(std::vector<CommsRow>& rows) {
    SortRows(rows, [](const CommsRow& a, const CommsRow& b) {
        if (a.SentTime != b.SentTime) return a.SentTime > b.SentTime;
        return a.OutModbusTcpFrame.TransactionIdentifier() > b.OutModbusTcpFrame.TransactionIdentifier();
    });
}

void CutSendLog(TestData& data) {
    auto& rows = data.QComms;
    for (std::size_t position = rows.size(); position >= kSendLogCutPosition; --position) {
        if (rows[position - 1].Recieved == 1) rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(position - 1));
    }
}

void CutRawList(TestData& data) {
    while (data.QReturn.size() > kRawListLines) data.QReturn.pop_back();
}

void ClearSendLog(TestData& data) {
    data.Gti = 0;
    data.QComms.clear();
}

void ClearRawList(TestData& data) { data.QReturn.clear(); }

void AddRawLine(TestData& data, std::string_view line) {
    if (!data.WindowShown) return;
    // A peer that streams frames faster than the timer ticks would otherwise
    // grow the list by thousands of lines between two cuts, every one of them
    // shown and then dropped; the list never holds more than a cut keeps.
    if (data.QReturn.size() >= kRawListLines) data.QReturn.pop_back();
    data.QReturn.emplace_front().ReturnString = line;
}

namespace {
/// Appends `value` in at least two digits, as "{:02}" would. These texts are
/// made for every frame sent and received, so they are built by hand rather
/// than through a format string.
void AppendTwoDigits(std::string& text, std::size_t value) {
    if (value >= 100) {
        text += std::to_string(value);
        return;
    }
    const char digits[] = {static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
    text.append(digits, sizeof digits);
}

void AppendHourMinute(std::string& text, std::size_t hundredths) {
    AppendTwoDigits(text, hundredths / 360000);
    AppendTwoDigits(text, hundredths / 6000 % 60);
}

/// The two hex digits of every byte value, as DecToHex(byte, 2) gives them.
constexpr std::array<char, 512> kHexPairs = [] {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::array<char, 512> pairs{};
    for (std::size_t byte = 0; byte < 256; ++byte) {
        pairs[2 * byte] = kDigits[byte >> 4];
        pairs[2 * byte + 1] = kDigits[byte & 0x0F];
    }
    return pairs;
}();

std::size_t HundredthsOfDay(int32_t timeOfDay) { return static_cast<std::size_t>(std::max(timeOfDay - 1, 0)); }
}  // namespace

std::string HourMinuteText(int32_t timeOfDay) {
    std::string text;
    AppendHourMinute(text, HundredthsOfDay(timeOfDay));
    return text;
}

std::string SentTimeText(int32_t timeOfDay) {
    const std::size_t hundredths = HundredthsOfDay(timeOfDay);
    std::string text;
    AppendTwoDigits(text, hundredths / 360000);
    text += ':';
    AppendTwoDigits(text, hundredths / 6000 % 60);
    text += ':';
    AppendTwoDigits(text, hundredths / 100 % 60);
    text += '.';
    AppendTwoDigits(text, hundredths % 100);
    return text;
}

std::string FrameLine(int32_t timeOfDay, std::string_view tag, std::span<const uint8_t> frame) {
    std::string line;
    line.reserve(kLineLength + 2);
    AppendHourMinute(line, HundredthsOfDay(timeOfDay));
    line += tag;
    const std::string length = std::to_string(frame.size());
    if (length.size() < 3) line.append(3 - length.size(), ' ');  // right-aligned in three
    line += length;
    // A " XX" group is added while the line is shorter than the cut, so the
    // last one may cross it; the digits go straight into the line's storage.
    const std::size_t head = line.size();
    const std::size_t groups = head < kLineLength ? std::min(frame.size(), (kLineLength - head + 2) / 3) : 0;
    line.resize(head + 3 * groups);
    char* out = line.data() + head;
    for (const uint8_t byte : frame.first(groups)) {
        *out = ' ';
        std::memcpy(out + 1, &kHexPairs[2 * std::size_t{byte}], 2);
        out += 3;
    }
    line.resize(std::min(line.size(), kLineLength));
    return line;
}

int32_t HundredthsSince(int32_t then, int32_t now) {
    return now >= then ? now - then : now + platform::kHundredthsPerDay - then;
}

void CountTransmission(TestData& data, int32_t now) {
    if (data.LTime == 0) data.LTime = now;
    if (HundredthsSince(data.LTime, now) > 100) {
        data.SendPerSec = data.LCount;
        data.LCount = 1;
        data.LTime = now;
    } else {
        ++data.LCount;
    }
}
