#include "window/picture.h"

#include <gtest/gtest.h>

#include <limits>

namespace window {
namespace {

TEST(Picture, WholeNumbersWithoutLeadingZeros) {
    EXPECT_EQ(FormatNumber("n3", 8), "8");
    EXPECT_EQ(FormatNumber("n6", 502), "502");
    EXPECT_EQ(FormatNumber("n4", 2063), "2063");
    EXPECT_EQ(FormatNumber("n-14", -12), "-12");
    EXPECT_EQ(FormatNumber("n-7", 65534), "65534");
}

TEST(Picture, FixedDigitsWithLeadingZeros) {
    EXPECT_EQ(FormatNumber("n04", 20), "0020");
    EXPECT_EQ(FormatNumber("N04", 1234), "1234");
    EXPECT_EQ(FormatNumber("n03", 1), "001");
    EXPECT_EQ(FormatNumber("n03", 131), "131");
    EXPECT_EQ(FormatNumber("N04", -5), "-005");
}

TEST(Picture, ValuesWiderThanThePictureAreShownInFull) {
    EXPECT_EQ(FormatNumber("n4", 16384), "16384");  // V40000
    EXPECT_EQ(FormatNumber("n04", 12345), "12345");
    EXPECT_EQ(FormatNumber("n-7", std::numeric_limits<int64_t>::min()), "-9223372036854775808");
}

TEST(Picture, TextPicturesCutToTheirWidth) {
    EXPECT_EQ(FormatText("s20", "09:03:07.05        "), "09:03:07.05");
    EXPECT_EQ(FormatText("s20", std::string(30, 'x')), std::string(20, 'x'));
    EXPECT_EQ(FormatNumber("S4", 1234), "1234");
    EXPECT_EQ(FormatNumber("S4", -7), "-7");
    EXPECT_EQ(Picture::Of("s20").ParseText("x17 and more text here"), "x17 and more text he");
}

TEST(Picture, ParsingTypedNumbers) {
    Picture port = Picture::Of("n6");
    EXPECT_EQ(port.ParseNumber(" 503 "), 503);
    EXPECT_EQ(port.ParseNumber("-4"), -4);
    EXPECT_EQ(port.ParseNumber("+4"), 4);
    EXPECT_EQ(port.ParseNumber(""), 0);
    EXPECT_EQ(port.ParseNumber("12ab"), 0);
    EXPECT_EQ(port.ParseNumber("-"), 0);
    EXPECT_EQ(port.ParseNumber("99999999999999999999999"), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(Picture::Of("S4").ParseNumber("12345"), 1234);  // the entry holds four characters
    EXPECT_EQ(Picture::Of("N04").ParseNumber("0042"), 42);
}

TEST(Picture, EveryNumberShownReadsBackAsItself) {
    constexpr int64_t lowest = std::numeric_limits<int64_t>::min();
    for (const char* code : {"n-14", "n6", "N04"}) {
        Picture picture = Picture::Of(code);
        EXPECT_EQ(picture.ParseNumber(picture.Format(lowest)), lowest) << code;
        EXPECT_EQ(picture.ParseNumber(picture.Format(lowest + 1)), lowest + 1) << code;
    }
    EXPECT_EQ(Picture::Of("n6").ParseNumber("-99999999999999999999999"), lowest);  // saturates on its own side
}

TEST(Picture, CodesAreReadSafely) {
    for (const char* code : {"", "n", "n-", "s", "q9", "n0", "n9999", "n-x"}) {
        Picture picture = Picture::Of(code);
        EXPECT_EQ(picture.Format(int64_t{42}), "42") << code;
        EXPECT_EQ(picture.ParseNumber("42"), 42) << code;
    }
    EXPECT_TRUE(Picture::Of("N04").LeadingZeros());
    EXPECT_TRUE(Picture::Of("n-14").AllowsMinus());
    EXPECT_EQ(Picture::Of("n-14").Width(), 14);
    EXPECT_FALSE(Picture::Of("S4").IsNumeric());
}

}  // namespace
}  // namespace window
