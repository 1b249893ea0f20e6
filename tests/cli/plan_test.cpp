// References as the Utility tab reads them, and the requests they become.
#include <gtest/gtest.h>

#include "cli/output.h"
#include "cli/reference.h"
#include "cli/request_plan.h"

namespace cli {
namespace {

std::vector<Reference> Refs(std::string_view text) {
    std::string error;
    auto refs = ParseReferences(text, error);
    EXPECT_TRUE(refs.has_value()) << text << ": " << error;
    return refs.value_or(std::vector<Reference>{});
}

std::string Summary(const std::vector<Request>& requests) {
    std::string out;
    for (const auto& r : requests)
        out += std::to_string(r.function) + " " + std::to_string(r.start) + " " + std::to_string(r.quantity) + "; ";
    return out;
}

TEST(CliReferences, EveryTypeGetsItsAddressAndSpace) {
    const std::vector<std::tuple<std::string, uint16_t, Space>> cases{
        {"X17", 2063, Space::DiscreteInputs}, {"sp0", 3072, Space::DiscreteInputs}, {"GX10", 8, Space::DiscreteInputs},
        {"Y17", 2063, Space::Coils},          {"C1777", 4095, Space::Coils},        {"T0", 6144, Space::Coils},
        {"CT100", 6464, Space::Coils},        {"S10", 5128, Space::Coils},          {"GY3777", 2047, Space::Coils},
        {"V2000", 1024, Space::Registers},    {"V40000", 16384, Space::Registers}};
    for (const auto& [text, address, space] : cases) {
        const auto refs = Refs(text);
        ASSERT_EQ(refs.size(), 1u) << text;
        EXPECT_EQ(refs[0].address, address) << text;
        EXPECT_EQ(refs[0].space, space) << text;
    }
}

TEST(CliReferences, RangesCountInOctalAndBadTextIsNamed) {
    const auto range = Refs("x6..X11");
    ASSERT_EQ(range.size(), 4u);
    EXPECT_EQ(range[1].name, "X7");
    EXPECT_EQ(range[2].name, "X10");
    EXPECT_EQ(range[3].address, 2057);
    for (const std::string bad : {"Q5", "X8", "X", "V1234567", "Y0..X3", "Y7..Y0", "C0..", ""}) {
        std::string error;
        EXPECT_FALSE(ParseReferences(bad, error).has_value()) << bad;
        EXPECT_NE(error.find("bad"), std::string::npos) << bad;
    }
}

TEST(CliPlan, ContiguousReferencesShareRequestsWithinTheProtocolLimits) {
    std::vector<Reference> refs = Refs("GY0..GY3777");  // 2048 coils: 2000 + 48, running on into Y0
    for (auto more : {"Y0", "C0", "X0..X7", "V2001", "V2000", "V2000", "SP0"}) {
        auto r = Refs(more);
        refs.insert(refs.end(), r.begin(), r.end());
    }
    EXPECT_EQ(Summary(PlanReads(refs)), "1 0 2000; 1 2000 49; 1 3072 1; 2 2048 8; 2 3072 1; 3 1024 2; ");

    std::vector<Assignment> writes{{Refs("Y0")[0], 1}, {Refs("V2000")[0], 0x1234}, {Refs("V2001")[0], 7}};
    for (const auto& ref : Refs("C0..C11")) writes.push_back({ref, 1});
    const auto requests = PlanWrites(writes);
    EXPECT_EQ(Summary(requests), "5 2048 1; 15 3072 10; 16 1024 2; ");
    EXPECT_EQ(requests[0].Pdu(), (std::vector<uint8_t>{5, 0x08, 0x00, 0xFF, 0x00}));
    EXPECT_EQ(requests[1].Pdu(), (std::vector<uint8_t>{15, 0x0C, 0x00, 0x00, 10, 2, 0xFF, 0x03}));
    EXPECT_EQ(requests[2].Pdu(), (std::vector<uint8_t>{16, 0x04, 0x00, 0x00, 2, 4, 0x12, 0x34, 0x00, 7}));
}

TEST(CliPlan, ValuesParseAsBcdOrRawAndShortRepliesAreRefused) {
    uint16_t value = 0;
    std::string error;
    EXPECT_TRUE(ParseValue("1234", Space::Registers, value, error));
    EXPECT_EQ(value, 0x1234);
    EXPECT_TRUE(ParseValue("0x1A2B", Space::Registers, value, error));
    EXPECT_EQ(value, 0x1A2B);
    for (auto bad : {"10000", "-1", "0x10000", "12a", ""})
        EXPECT_FALSE(ParseValue(bad, Space::Registers, value, error));
    for (auto bad : {"2", "on", ""}) EXPECT_FALSE(ParseValue(bad, Space::Coils, value, error));

    const Request read{Space::Registers, 3, 1024, 2, {}, "V2000..V2001"};
    EXPECT_EQ(ReadValues(read, std::vector<uint8_t>{3, 4, 0x12, 0x34, 0, 7}, error),
              (std::vector<uint16_t>{0x1234, 7}));
    EXPECT_FALSE(ReadValues(read, std::vector<uint8_t>{3, 2, 0x12, 0x34}, error).has_value());
    EXPECT_NE(error.find("V2000..V2001"), std::string::npos);
}

}  // namespace
}  // namespace cli
