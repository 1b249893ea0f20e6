#include "modbus/send_log.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "frame_bytes.h"
#include "modbus/requests.h"
#include "test_time.h"

namespace {

using modbus_test::Hex;

using testsupport::At;

std::vector<uint16_t> Identifiers(const TestData& data) {
    std::vector<uint16_t> ids;
    for (const CommsRow& row : data.QComms) ids.push_back(row.OutModbusTcpFrame.TransactionIdentifier());
    return ids;
}

TEST(TransactionIdentifier, RunsFromOneTo65534AndStartsAgainAtOne) {
    TestData data;
    EXPECT_EQ(NextTransactionIdentifier(data), 1);
    data.Gti = 32766;
    EXPECT_EQ(NextTransactionIdentifier(data), 32767);
    EXPECT_EQ(NextTransactionIdentifier(data), 32768);  // beyond a signed word: the pattern is kept
    EXPECT_EQ(data.Gti, -32768);
    data.Gti = static_cast<int16_t>(65533);
    EXPECT_EQ(NextTransactionIdentifier(data), 65534);
    EXPECT_EQ(NextTransactionIdentifier(data), 1);
    data.Gti = -1;  // 65535 is never handed out, even from a stray start
    EXPECT_EQ(NextTransactionIdentifier(data), 1);
}

TEST(TransactionIdentifier, ClearingTheSendLogRestartsAtOne) {
    TestData data;
    rRequestInputs(data);
    rSendOutputs(data);
    ClearSendLog(data);
    EXPECT_TRUE(data.QComms.empty());
    rRequestInputs(data);
    EXPECT_EQ(Identifiers(data), (std::vector<uint16_t>{1}));
}

TEST(SendLogOrder, NewRowsGoInDescendingIdentifierOrder) {
    TestData data;
    rRequestInputs(data);
    rRequestAllCounters(data);
    rSendOutputs(data);
    EXPECT_EQ(Identifiers(data), (std::vector<uint16_t>{4, 3, 2, 1}));
    SortForSending(data.QComms);
    EXPECT_EQ(Identifiers(data), (std::vector<uint16_t>{1, 2, 3, 4}));
}

TEST(SendLogOrder, DisplayShowsTheLatestSendFirstAndUnsentRowsLast) {
    TestData data;
    for (int i = 0; i < 4; ++i) InsertByIdentifier(data.QComms, NewRequest(data));
    SortForSending(data.QComms);
    data.QComms[0].SentTime = 500;  // id 1
    data.QComms[1].SentTime = 700;  // id 2
    data.QComms[2].SentTime = 500;  // id 3
    SortForDisplay(data.QComms);
    EXPECT_EQ(Identifiers(data), (std::vector<uint16_t>{2, 3, 1, 4}));
}

TEST(SendLogOrder, SortingKeepsRowsOfEqualRankInTheirOrder) {
    TestData data;  // identifiers repeat, sent times are equal; SendCount tells rows apart
    for (uint16_t id : std::vector<uint16_t>{5, 2, 5, 9, 2, 1, 9, 5}) {
        data.QComms.push_back(NewRequest(data));
        data.QComms.back().OutModbusTcpFrame.SetTransactionIdentifier(id);
        data.QComms.back().SendCount = static_cast<int32_t>(data.QComms.size());
    }
    const auto marks = [&data] {
        std::vector<int32_t> sendCounts;
        for (const CommsRow& row : data.QComms) sendCounts.push_back(row.SendCount);
        return sendCounts;
    };
    SortForSending(data.QComms);
    EXPECT_EQ(marks(), (std::vector<int32_t>{6, 2, 5, 1, 3, 8, 4, 7}));
    SortForDisplay(data.QComms);
    EXPECT_EQ(marks(), (std::vector<int32_t>{4, 7, 1, 3, 8, 2, 5, 6}));
}

TEST(SendLogOrder, ARepositionedRowLandsWhereTakingItOutAndInsertingItAgainWould) {
    TestData data;  // a log out of identifier order, as display sorting leaves it; SendCount tells rows apart
    for (uint16_t id : std::vector<uint16_t>{3, 7, 5, 9, 1, 7}) {
        data.QComms.push_back(NewRequest(data));
        data.QComms.back().OutModbusTcpFrame.SetTransactionIdentifier(id);
        data.QComms.back().SendCount = static_cast<int32_t>(data.QComms.size());
    }
    const auto rows = [](const TestData& log) {
        std::vector<int32_t> marks;
        for (const CommsRow& row : log.QComms) marks.push_back(row.SendCount);
        return marks;
    };
    for (std::size_t at = 0; at < data.QComms.size(); ++at) {
        TestData expected = data;
        CommsRow row = expected.QComms[at];
        expected.QComms.erase(expected.QComms.begin() + static_cast<std::ptrdiff_t>(at));
        InsertByIdentifier(expected.QComms, row);
        TestData moved = data;
        RepositionByIdentifier(moved.QComms, at);
        EXPECT_EQ(rows(moved), rows(expected)) << "row at " << at;
    }
}

TEST(SendLogCut, FortyAnsweredRowsAreCutTo29) {
    TestData data;
    for (int i = 0; i < 40; ++i) {
        CommsRow row = NewRequest(data);
        row.Recieved = 1;
        InsertByIdentifier(data.QComms, row);
    }
    CutSendLog(data);
    ASSERT_EQ(data.QComms.size(), 29u);
    EXPECT_EQ(data.QComms.front().OutModbusTcpFrame.TransactionIdentifier(), 40);
    EXPECT_EQ(data.QComms.back().OutModbusTcpFrame.TransactionIdentifier(), 12);
}

TEST(SendLogCut, UnansweredRowsStayWhereverTheyStand) {
    TestData data;
    for (int i = 0; i < 40; ++i) {
        CommsRow row = NewRequest(data);
        row.Recieved = (i == 0 || i == 5) ? 0 : 1;  // ids 1 and 6 wait
        InsertByIdentifier(data.QComms, row);
    }
    CutSendLog(data);
    ASSERT_EQ(data.QComms.size(), 31u);
    EXPECT_EQ(data.QComms[29].OutModbusTcpFrame.TransactionIdentifier(), 6);
    EXPECT_EQ(data.QComms[30].OutModbusTcpFrame.TransactionIdentifier(), 1);

    TestData shortLog;
    for (int i = 0; i < 29; ++i) InsertByIdentifier(shortLog.QComms, NewRequest(shortLog));
    for (CommsRow& row : shortLog.QComms) row.Recieved = 1;
    CutSendLog(shortLog);
    EXPECT_EQ(shortLog.QComms.size(), 29u);
}

TEST(RawList, NewLinesGoOnTopAndTheListNeverHoldsMoreThan30) {
    TestData data;
    for (int i = 1; i <= 3000; ++i) AddRawLine(data, "line " + std::to_string(i));
    EXPECT_EQ(data.QReturn.front().ReturnString, "line 3000");
    ASSERT_EQ(data.QReturn.size(), 30u);
    EXPECT_EQ(data.QReturn.back().ReturnString, "line 2971");

    data.QReturn.clear();
    for (int i = 1; i <= 33; ++i) data.QReturn.emplace_front().ReturnString = "line " + std::to_string(i);
    CutRawList(data);
    ASSERT_EQ(data.QReturn.size(), 30u);
    EXPECT_EQ(data.QReturn.back().ReturnString, "line 4");
    ClearRawList(data);
    EXPECT_TRUE(data.QReturn.empty());
}

TEST(RawList, LinesAreCutAt256Characters) {
    TestData data;
    AddRawLine(data, std::string(300, 'A'));
    EXPECT_EQ(data.QReturn.front().ReturnString.View().size(), 256u);
}

TEST(FrameLine, ShowsTimeTagLengthAndBytes) {
    auto frame = Hex("01 00 00 00 06 00 01 01 07 FF 00 14");
    std::string line = FrameLine(At(14, 5, 59, 99), " REQ ", frame);
    EXPECT_EQ(line, "1405 REQ  12 01 00 00 00 06 00 01 01 07 FF 00 14");
    EXPECT_EQ(line.size(), 48u);
    EXPECT_EQ(FrameLine(At(0, 0, 0, 0), " REC ", Hex("0A")), "0000 REC   1 0A");
    EXPECT_EQ(FrameLine(At(23, 59, 59, 99), " REC ", {}), "2359 REC   0");
}

TEST(FrameLine, A141ByteFrameIsCutAt256Characters) {
    std::vector<uint8_t> frame(141);
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i);
    std::string line = FrameLine(At(9, 0, 0, 0), " REQ ", frame);
    ASSERT_EQ(line.size(), 256u);
    EXPECT_EQ(line.substr(0, 15), "0900 REQ 141 00");
    // 12 characters of time, tag and length, then 81 bytes of 3 characters: the
    // 82nd byte's separating blank is the 256th character.
    EXPECT_EQ(line.substr(line.size() - 7), " 4F 50 ");
    TestData data;
    AddRawLine(data, line);
    EXPECT_EQ(data.QReturn.front().ReturnString.View().size(), 255u);
}

TEST(SentTime, FormatsHoursMinutesSecondsHundredths) {
    EXPECT_EQ(SentTimeText(At(9, 3, 7, 5)), "09:03:07.05");
    EXPECT_EQ(SentTimeText(1), "00:00:00.00");
    EXPECT_EQ(SentTimeText(8640000), "23:59:59.99");
    EXPECT_EQ(HourMinuteText(At(14, 5, 0, 0)), "1405");
}

TEST(RequestsPerSecond, AWindowClosesOnlyAfterMoreThanOneSecond) {
    TestData data;
    const int32_t start = At(10, 0, 0, 0);
    for (int32_t offset : {0, 50, 100}) CountTransmission(data, start + offset);
    EXPECT_EQ(data.LCount, 3);
    EXPECT_EQ(data.SendPerSec, 0);
    CountTransmission(data, start + 101);
    EXPECT_EQ(data.SendPerSec, 3);
    EXPECT_EQ(data.LCount, 1);
    EXPECT_EQ(data.LTime, start + 101);
}

TEST(RequestsPerSecond, MidnightDoesNotStopTheCount) {
    TestData data;
    CountTransmission(data, 8640000 - 60);
    CountTransmission(data, 8640000 - 10);
    CountTransmission(data, 30);  // 90 hundredths later, on the next day
    EXPECT_EQ(data.LCount, 3);
    CountTransmission(data, 50);  // 110 later: the window closes
    EXPECT_EQ(data.SendPerSec, 3);
    EXPECT_EQ(data.LCount, 1);
    EXPECT_EQ(HundredthsSince(8640000, 1), 1);
}

}  // namespace
