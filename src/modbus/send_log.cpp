#include "modbus/send_log.h"

#include <fmt/format.h>

#include <algorithm>

#include "modbus/conversions.h"
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

void InsertByIdentifier(std::vector<CommsRow>& rows, CommsRow row) {
    uint16_t identifier = row.OutModbusTcpFrame.TransactionIdentifier();
    auto at = std::find_if(rows.begin(), rows.end(), [&](const CommsRow& other) {
        return other.OutModbusTcpFrame.TransactionIdentifier() < identifier;
    });
    rows.insert(at, std::move(row));
}

void SortForSending(std::vector<CommsRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const CommsRow& a, const CommsRow& b) {
        return a.OutModbusTcpFrame.TransactionIdentifier() < b.OutModbusTcpFrame.TransactionIdentifier();
    });
}

void SortForDisplay(std::vector<CommsRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const CommsRow& a, const CommsRow& b) {
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
    ReturnRow row;
    row.ReturnString = line;
    data.QReturn.push_front(row);
}

std::string HourMinuteText(int32_t timeOfDay) {
    int32_t hundredths = std::max(timeOfDay - 1, 0);
    return fmt::format("{:02}{:02}", hundredths / 360000, hundredths / 6000 % 60);
}

std::string SentTimeText(int32_t timeOfDay) {
    int32_t hundredths = std::max(timeOfDay - 1, 0);
    return fmt::format("{:02}:{:02}:{:02}.{:02}", hundredths / 360000, hundredths / 6000 % 60, hundredths / 100 % 60,
                       hundredths % 100);
}

std::string FrameLine(int32_t timeOfDay, std::string_view tag, std::span<const uint8_t> frame) {
    std::string line = fmt::format("{}{}{:>3}", HourMinuteText(timeOfDay), tag, frame.size());
    for (uint8_t byte : frame) {
        if (line.size() >= kLineLength) break;
        line += ' ';
        line += DecToHex(byte, 2);
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
