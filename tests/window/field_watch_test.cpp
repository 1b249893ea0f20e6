#include "window/field_watch.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace window {
namespace {

struct Fields {
    int16_t table[4] = {};
    int32_t after = 0;  // starts where the table ends
    int8_t last = 0;
};

std::set<std::size_t> Look(FieldWatch& watch, bool all = false) {
    std::set<std::size_t> seen;
    watch.Look(all, [&](std::size_t at) { seen.insert(at); });
    return seen;
}

TEST(FieldWatchTest, ReportsTheFieldsOfTheRunsWhoseBytesChangedSinceTheLastLook) {
    Fields data;
    auto elsewhere = std::make_unique<int64_t>(0);
    // Declaration order, not memory order: indexes are kept.
    const std::vector<Variable::Field> fields = {
        {elsewhere.get(), 8, true}, {&data.table[2], 2, true}, {&data.after, 4, true},   {&data.table[0], 2, true},
        {&data.last, 1, true},      {&data.table[1], 2, true}, {&data.table[3], 2, true}};
    FieldWatch watch;
    watch.Watch(fields);
    EXPECT_EQ(watch.Runs(), 2u);        // the struct's fields touch one another: one run
    EXPECT_EQ(Look(watch).size(), 7u);  // the first look
    EXPECT_TRUE(Look(watch).empty());
    *elsewhere = 7;
    EXPECT_EQ(Look(watch), (std::set<std::size_t>{0}));
    data.table[3] = 1;
    EXPECT_EQ(Look(watch), (std::set<std::size_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_TRUE(Look(watch).empty());
    EXPECT_EQ(Look(watch, true).size(), 7u);
}

}  // namespace
}  // namespace window
