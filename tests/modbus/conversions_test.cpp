#include "modbus/conversions.h"

#include <gtest/gtest.h>

#include <limits>

#include "modbus/exception_names.h"

namespace {

TEST(DecToBcd, EncodesDecimalDigitsAsNibbles) {
    EXPECT_EQ(DecToBcd(0), 0);
    EXPECT_EQ(DecToBcd(1234), 0x1234);
    EXPECT_EQ(DecToBcd(9999), 0x9999);
    EXPECT_EQ(DecToBcd(9999), 39321);
    EXPECT_EQ(DecToBcd(12345678), 0x12345678);
    EXPECT_EQ(static_cast<uint32_t>(DecToBcd(99999999)), 0x99999999u);
}

TEST(DecToBcd, KeepsTheLowestEightDigits) {
    EXPECT_EQ(DecToBcd(123456789), 0x23456789);
    EXPECT_EQ(DecToBcd(100000000), 0);
}

TEST(DecToBcd, NegativeNumbersAreEncodedByTheirMagnitude) {
    EXPECT_EQ(DecToBcd(-1), 0x1);
    EXPECT_EQ(DecToBcd(-1234), 0x1234);
    EXPECT_EQ(DecToBcd(-32768), 0x32768);                                  // the lowest VMemValue
    EXPECT_EQ(DecToBcd(std::numeric_limits<int32_t>::min()), 0x47483648);  // 2147483648, cut to 8 digits
}

TEST(BcdToDec, DecodesTwoPackedBytes) {
    EXPECT_EQ(BcdToDec(0x00, 0x00), 0);
    EXPECT_EQ(BcdToDec(0x12, 0x34), 1234);
    EXPECT_EQ(BcdToDec(0x99, 0x99), 9999);
    EXPECT_EQ(BcdToDec(0x20, 0x20), 2020);
}

TEST(BcdToDec, NibblesAboveNineCountWithTheirValue) {
    EXPECT_EQ(BcdToDec(0xFF, 0xFF), 16665);
    EXPECT_EQ(BcdToDec(0x0A, 0x00), 1000);
    EXPECT_EQ(BcdToDec(0x00, 0x0B), 11);
}

TEST(OctToDec, ReadsOctalDigits) {
    EXPECT_EQ(OctToDec("17"), 15);
    EXPECT_EQ(OctToDec("1777"), 1023);
    EXPECT_EQ(OctToDec("0"), 0);
    EXPECT_EQ(OctToDec("77777777"), 16777215);  // 8^8 - 1
}

TEST(OctToDec, BlanksCountAsZeroDigits) {
    EXPECT_EQ(OctToDec(""), 0);
    EXPECT_EQ(OctToDec("        "), 0);
    EXPECT_EQ(OctToDec("17      "), 15);  // trailing blanks move to the front
    EXPECT_EQ(OctToDec("  17"), 15);
    EXPECT_EQ(OctToDec("1 7"), 71);  // 1*64 + 0*8 + 7
}

TEST(OctToDec, LettersCountAsZeroAndEightNineKeepTheirValue) {
    EXPECT_EQ(OctToDec("X7"), 7);
    EXPECT_EQ(OctToDec("V2000"), 1024);
    EXPECT_EQ(OctToDec("18"), 16);
    EXPECT_EQ(OctToDec("9"), 9);
    EXPECT_EQ(OctToDec("99"), 81);
}

TEST(OctToDec, TextLongerThanEightIsCut) {
    EXPECT_EQ(OctToDec("123456701"), OctToDec("12345670"));
    EXPECT_EQ(OctToDec("1000000077"), 2097152);  // "10000000"
}

TEST(DecToHex, WritesTheLowBitsInUpperCase) {
    EXPECT_EQ(DecToHex(0, 2), "00");
    EXPECT_EQ(DecToHex(255, 2), "FF");
    EXPECT_EQ(DecToHex(10, 2), "0A");
    EXPECT_EQ(DecToHex(300, 2), "2C");
    EXPECT_EQ(DecToHex(-1, 4), "FFFF");
    EXPECT_EQ(DecToHex(0x1234ABCD, 8), "1234ABCD");
    EXPECT_EQ(DecToHex(-2, 8), "FFFFFFFE");
}

TEST(DecToHex, UnusualWidthsStayWithinEightDigits) {
    EXPECT_EQ(DecToHex(0xABC, 3), "ABC");
    EXPECT_EQ(DecToHex(0x12, 1), "2");
    EXPECT_EQ(DecToHex(0x12, 0), "");
    EXPECT_EQ(DecToHex(0x12, -5), "");
    EXPECT_EQ(DecToHex(0x12, 12), "00000012");
}

}  // namespace

TEST(ExceptionNames, StandardCodesAreNamedAndOthersSaySo) {
    EXPECT_EQ(modbus::DescribeException(0x02), "02 Illegal Data Address");
    EXPECT_EQ(modbus::DescribeException(0x0B), "0B Gateway Target Device Failed to Respond");
    EXPECT_EQ(modbus::ExceptionName(0x07), "Unknown Exception");
    EXPECT_TRUE(modbus::IsExceptionFunction(0x83));
    EXPECT_FALSE(modbus::IsExceptionFunction(0x03));
}
