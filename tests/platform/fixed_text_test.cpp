#include "platform/fixed_text.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(BlankPadded, PadsCutsAndComparesWithoutTrailingBlanks) {
    BlankPadded<8> text("abc");
    EXPECT_EQ(text.Whole(), "abc     ");
    EXPECT_EQ(text.View(), "abc");
    EXPECT_TRUE(text == "abc   ");
    text = "0123456789";
    EXPECT_EQ(text.Whole(), "01234567");
    text = "";
    EXPECT_TRUE(text.Empty());
    text = " lead ";
    EXPECT_EQ(text.View(), " lead");  // leading blanks are part of the value
}

TEST(ZeroTerminated, KeepsRoomForTheTerminator) {
    ZeroTerminated<4> text("abcdef");
    EXPECT_EQ(text.View(), "abc");
    text.Set(std::string_view("a\0b", 3));
    EXPECT_EQ(text.View(), "a");
    EXPECT_EQ(ZeroTerminated<81>::Capacity(), 80u);
}

TEST(TrimRight, OnlyTrailingBlanks) {
    EXPECT_EQ(TrimRight("  x  "), "  x");
    EXPECT_EQ(TrimRight("    "), "");
    EXPECT_EQ(TrimRight(""), "");
}

}  // namespace
}  // namespace platform
