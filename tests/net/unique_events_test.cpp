#include "net_fixture.h"

using ::testing::HasSubstr;

namespace {

class UniqueEventsTest : public NetTest {
protected:
    /// Hands out `count` numbers and returns the last.
    static int32_t Take(int count) {
        int32_t last = 0;
        for (int i = 0; i < count; ++i) last = NetGetUniqueEvent();
        return last;
    }
    std::string Warning() const {
        return Prefix(1, "NetGetUniqueEvent") +
               "Warning. More events requested than we bargained for. Will give a unique event, but it's greater "
               "than 3077 and will get re-used more quickly.";
    }
};

TEST_F(UniqueEventsTest, NumbersStartAt2053InStepsOfFive) {
    EXPECT_EQ(NetGetUniqueEvent(), 2053);
    EXPECT_EQ(NetGetUniqueEvent(), 2058);
    EXPECT_EQ(NetGetUniqueEvent(), 2063);
}

TEST_F(UniqueEventsTest, AReleasedNumberWaitsWhileFreshNumbersRemain) {
    Take(3);
    NetFreeUniqueEvent(2053);
    EXPECT_EQ(NetGetUniqueEvent(), 2068);
}

TEST_F(UniqueEventsTest, The206thRequestGetsTheNumberReleasedLongestAgo) {
    LogWith("/netall");
    EXPECT_EQ(Take(205), 3073);
    NetFreeUniqueEvent(2100 - 2);  // 2098: one of the handed-out numbers
    NetFreeUniqueEvent(2063);
    capture.Clear();
    EXPECT_EQ(NetGetUniqueEvent(), 2098);
    EXPECT_THAT(capture.Lines(),
                ::testing::Contains(Prefix(1, "NetGetUniqueEvent") + "Unique event (on second parse) = 2098"));
    EXPECT_EQ(NetGetUniqueEvent(), 2063);
    EXPECT_FALSE(capture.Contains("Warning. More events"));
    // Nothing released any more: the numbers go on above the limit, with the warning.
    EXPECT_EQ(NetGetUniqueEvent(), 3078);
    EXPECT_THAT(capture.Lines(), ::testing::Contains(Warning()));
}

TEST_F(UniqueEventsTest, The206thRequestWithNothingReleasedGets3078AndTheWarning) {
    LogWith("/neterrors");
    EXPECT_EQ(Take(205), 3073);
    EXPECT_TRUE(capture.Lines().empty() || !capture.Contains("Warning. More events"));
    EXPECT_EQ(NetGetUniqueEvent(), 3078);
    EXPECT_THAT(capture.Lines(), ::testing::Contains(Warning()));
    EXPECT_EQ(NetGetUniqueEvent(), 3083);
    // Released after the limit was passed: handed out again at once.
    NetFreeUniqueEvent(2500 - 2);
    EXPECT_EQ(NetGetUniqueEvent(), 2498);
}

TEST_F(UniqueEventsTest, ReleasingAnUnknownNumberChangesNothingAndSaysSo) {
    LogWith("/neterrors");
    Take(2);
    NetFreeUniqueEvent(9999);
    EXPECT_THAT(capture.Lines(), ::testing::Contains(Prefix(1, "NetFreeUniqueEvent") +
                                                     "Error event 9999 not found in UniqueEventsQueue"));
    EXPECT_EQ(NetUniqueEventFreeCounter, 0);
    EXPECT_EQ(NetGetUniqueEvent(), 2063);
}

TEST_F(UniqueEventsTest, DetailLinesNameEachNumberHandedOutAndFreed) {
    LogWith("/netall");
    capture.Clear();
    NetGetUniqueEvent();
    NetFreeUniqueEvent(2053);
    EXPECT_THAT(capture.Lines(),
                ::testing::ElementsAre(Prefix(1, "NetGetUniqueEvent") + "Unique event = 2053",
                                       Prefix(1, "NetFreeUniqueEvent") + "Freeing Unique event = 2053"));
}

}  // namespace
