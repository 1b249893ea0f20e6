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

TEST(BlankPadded, ShortTextAfterLongOrWrittenBytesLeavesOnlyBlanksBehind) {
    BlankPadded<8> text("abcdefgh");
    text = "xy";
    EXPECT_EQ(text.Whole(), "xy      ");
    text.Data()[6] = 'z';  // written behind the text's back
    text = "q";
    EXPECT_EQ(text.Whole(), "q       ");
    text.Write(2, "12345678");  // cut at the end; the other bytes stay
    EXPECT_EQ(text.Whole(), "q 123456");
    text = "";
    EXPECT_EQ(text.Whole(), "        ");
}

TEST(ZeroTerminated, KeepsRoomForTheTerminator) {
    ZeroTerminated<4> text("abcdef");
    EXPECT_EQ(text.View(), "abc");
    text.Set(std::string_view("a\0b", 3));
    EXPECT_EQ(text.View(), "a");
    EXPECT_EQ(ZeroTerminated<81>::Capacity(), 80u);
}

TEST(CutUtf8, NeverSplitsACharacterButCutsOtherBytesWhereAsked) {
    EXPECT_EQ(CutUtf8("a\u00e9b", 2), "a");              // 2-byte character left out whole
    EXPECT_EQ(CutUtf8("a\u20ac", 3), "a");               // 3-byte character
    EXPECT_EQ(CutUtf8("\U0001F600x", 4), "\U0001F600");  // a 4-byte character that just fits
    EXPECT_EQ(CutUtf8("\x80\x80\x80\x80\x80", 3), "\x80\x80\x80");
    BlankPadded<6> field;
    field.SetText("X\u00e9\u00e9\u00e9");
    EXPECT_EQ(field.View(), "X\u00e9\u00e9");
    EXPECT_EQ(ZeroTerminated<4>("\u20ac\u20ac").View(), "\u20ac");
}

TEST(TrimRight, OnlyTrailingBlanks) {
    EXPECT_EQ(TrimRight("  x  "), "  x");
    EXPECT_EQ(TrimRight("    "), "");
    EXPECT_EQ(TrimRight(""), "");
}

}  // namespace
}  // namespace platform
