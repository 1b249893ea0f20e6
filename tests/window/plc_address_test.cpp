// The Utility tab: a DL06 reference typed into PLC Range shows its Modbus address.
#include "window/plc_address.h"

#include "test_window_fixture.h"

namespace window_test {
namespace {

using window::ModbusAddressOf;

class PlcRangeTest : public TestWindowTest {
protected:
    void SetUp() override {
        StartWindow();
        host.SelectTab("Tab_Utility");
    }
    /// Types `reference` into PLC Range, accepts it, and gives what Mod Bus Address shows.
    std::string Convert(const std::string& reference) {
        host.Enter("PlcRange", reference);
        return host.Shows("ModbusAddress");
    }
};

TEST_F(PlcRangeTest, KnownReferencesGiveTheirAddresses) {
    const std::pair<const char*, const char*> cases[] = {
        {"X0", "2048"},      {"X77", "2111"}, {"Y17", "2063"}, {"SP0", "3072"},   {"C0", "3072"},
        {"CT0", "6400"},     {"T0", "6144"},  {"S10", "5128"}, {"C1777", "4095"}, {"V2000", "1024"},
        {"V40000", "16384"}, {"CT", "6400"},  {"X8", "2056"},  {"CT177", "6527"}, {"SP777", "3583"},
    };
    for (const auto& [reference, address] : cases) EXPECT_EQ(Convert(reference), address) << reference;
    EXPECT_TRUE(host.Messages().empty());
}

TEST_F(PlcRangeTest, TheEntryShowsUpperCaseAndKeepsSixCharacters) {
    EXPECT_EQ(Convert("y17"), "2063");
    EXPECT_EQ(host.Shows("PlcRange"), "Y17");
    EXPECT_EQ(Convert(" X7"), "2055");
    EXPECT_EQ(host.Shows("PlcRange"), " X7");
    EXPECT_EQ(Convert("v400001234"), "16384");  // only V40000 is kept
    EXPECT_EQ(host.Shows("PlcRange"), "V40000");
}

TEST_F(PlcRangeTest, UnknownTypesRaiseTheMessageThenShowZero) {
    EXPECT_EQ(Convert("X17"), "2063");
    EXPECT_EQ(Convert("A12"), "0");
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].text,
              "UNKNOWN DL06 Memory Type Expecting:| X0-X77| SP0-SP777 | Y0-Y777| C0-C1777| T0-T377 | CT0-CT177| "
              "S0-S1777");
    EXPECT_EQ(Convert(""), "0");
    EXPECT_EQ(Convert("   "), "0");
    EXPECT_EQ(host.Messages().size(), 3u);
}

TEST_F(PlcRangeTest, TextThatIsNotAsciiIsAnUnknownTypeAndKeptWhole) {
    EXPECT_EQ(Convert("X\u00e9\u00e9\u00e9\u00e9"), "0");  // nine bytes: two whole characters fit the six
    EXPECT_EQ(host.Shows("PlcRange"), "X\u00e9\u00e9");
    ASSERT_EQ(host.Messages().size(), 1u);
    EXPECT_EQ(host.Messages()[0].text, window::kUnknownMemoryTypeMessage);
}

TEST_F(PlcRangeTest, TheConversionSendsNothingAndChangesNothingElse) {
    TestData before = Data();
    Convert("V2000");
    EXPECT_TRUE(Data().QComms.empty());
    EXPECT_EQ(Data().Gti, before.Gti);
    EXPECT_EQ(Data().VMemAddr, before.VMemAddr);
    EXPECT_TRUE(connection->opens.empty());
}

TEST(ModbusAddressOf, ReadsOnlyTheFieldsSixCharacters) {
    EXPECT_EQ(ModbusAddressOf("X17   "), 2063);
    EXPECT_EQ(ModbusAddressOf("SP1"), 3073);
    EXPECT_EQ(ModbusAddressOf("S1"), 5121);
    EXPECT_EQ(ModbusAddressOf("CT1"), 6401);
    EXPECT_EQ(ModbusAddressOf("C1"), 3073);
    EXPECT_EQ(ModbusAddressOf(std::string_view("X\0\x7f", 3)), 2048);
    EXPECT_FALSE(ModbusAddressOf("X1\xc3\xa9").has_value());
    EXPECT_FALSE(ModbusAddressOf("x17").has_value());  // the window upper-cases first
    EXPECT_FALSE(ModbusAddressOf("").has_value());
}

}  // namespace
}  // namespace window_test
