// Finding how a list's rows moved, so the view inserts or removes lines at the
// top instead of rewriting every row.
#include "window/row_changes.h"

#include <gtest/gtest.h>

namespace window {
namespace {

TextRows Lines(std::initializer_list<const char*> texts) {
    TextRows rows;
    for (const char* text : texts) rows.push_back({text});
    return rows;
}

TEST(RowChanges, LinesAddedOnTopAndCutAtTheBottomAreAShiftDown) {
    const RowShift moved = FindRowShift(Lines({"c", "b", "a"}), Lines({"e", "d", "c", "b"}));
    EXPECT_EQ(moved.shift, 2);
    EXPECT_EQ(moved.kept, 2u);
}

TEST(RowChanges, LinesGoneFromTheTopAreAShiftUp) {
    EXPECT_EQ(FindRowShift(Lines({"c", "b", "a"}), Lines({"a"})).shift, -2);
}

TEST(RowChanges, RowsChangedInPlaceOrNotAtAllStayWhereTheyAre) {
    EXPECT_EQ(FindRowShift(Lines({"c", "b", "a"}), Lines({"c", "x", "a"})).shift, 0);
    EXPECT_EQ(FindRowShift(Lines({"c", "b"}), Lines({"c", "b", "new at the bottom"})).shift, 0);
    EXPECT_EQ(FindRowShift({}, Lines({"a"})).shift, 0);
    EXPECT_EQ(FindRowShift(Lines({"x", "y"}), Lines({"p", "q"})).kept, 0u);
}

TEST(RowChanges, ABurstOfManyEqualLinesOnTopIsStillAShift) {
    TextRows before = Lines({"10:00:00.01 REC b", "10:00:00.00 REC a"});
    TextRows now(500, {"10:00:00.02 REC burst"});
    now.insert(now.end(), before.begin(), before.end());
    EXPECT_EQ(FindRowShift(before, now).shift, 500);
}

}  // namespace
}  // namespace window
