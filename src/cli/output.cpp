#include "cli/output.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>

#include "modbus/conversions.h"

namespace cli {
namespace {

constexpr int32_t kLargestBcdValue = 9999;

std::string Raw(const Row& row) { return fmt::format("0x{:04X}", row.raw); }

std::string Table(const std::vector<Row>& rows, bool header) {
    std::size_t refWidth = 3;      // "REF"
    std::size_t addressWidth = 7;  // "ADDRESS"
    std::size_t valueWidth = 5;    // "VALUE"
    for (const auto& row : rows) {
        refWidth = std::max(refWidth, row.reference.name.size());
        addressWidth = std::max(addressWidth, std::to_string(row.reference.address).size());
        valueWidth = std::max(valueWidth, ValueText(row).size());
    }
    std::string out;
    if (header)
        out += fmt::format("{:<{}}  {:>{}}  {:>{}}\n", "REF", refWidth, "ADDRESS", addressWidth, "VALUE", valueWidth);
    for (const auto& row : rows)
        out += fmt::format("{:<{}}  {:>{}}  {:>{}}\n", row.reference.name, refWidth, row.reference.address,
                           addressWidth, ValueText(row), valueWidth);
    return out;
}

std::string Csv(const std::vector<Row>& rows, bool header) {
    std::string out = header ? "ref,address,value\n" : "";
    for (const auto& row : rows)
        out += fmt::format("{},{},{}\n", row.reference.name, row.reference.address, ValueText(row));
    return out;
}

std::string Json(const std::vector<Row>& rows) {
    std::string out = "[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        if (i > 0) out += ",";
        out += fmt::format(R"({{"ref":"{}","address":{},"value":{})", row.reference.name, row.reference.address,
                           ValueText(row));
        if (!IsBit(row.reference.space)) out += fmt::format(R"(,"raw":"{}")", Raw(row));
        out += "}";
    }
    return out + "]\n";
}

bool ParseNumber(std::string_view text, int base, uint32_t& number) {
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, number, base);
    return !text.empty() && error == std::errc() && at == end;
}

}  // namespace

std::string ValueText(const Row& row) {
    if (IsBit(row.reference.space)) return row.raw != 0 ? "1" : "0";
    return std::to_string(BcdToDec(static_cast<uint8_t>(row.raw >> 8), static_cast<uint8_t>(row.raw & 0xFF)));
}

std::string FormatRows(const std::vector<Row>& rows, Format format, bool header) {
    switch (format) {
        case Format::Table:
            return Table(rows, header);
        case Format::Csv:
            return Csv(rows, header);
        case Format::Json:
            break;
    }
    return Json(rows);
}

bool ParseValue(std::string_view text, Space space, uint16_t& value, std::string& error) {
    uint32_t number = 0;
    if (IsBit(space)) {
        if (text == "0" || text == "1") {
            value = text == "1" ? 1 : 0;
            return true;
        }
        error = "bad value \"" + std::string(text) + "\": a bit takes 0 or 1";
        return false;
    }
    if ((text.starts_with("0x") || text.starts_with("0X")) && ParseNumber(text.substr(2), 16, number) &&
        number <= 0xFFFF) {
        value = static_cast<uint16_t>(number);
        return true;
    }
    if (ParseNumber(text, 10, number) && number <= kLargestBcdValue) {
        value = static_cast<uint16_t>(DecToBcd(static_cast<int32_t>(number)));
        return true;
    }
    error = "bad value \"" + std::string(text) + "\": a V word takes 0 to 9999 (sent as BCD) or 0x0 to 0xFFFF";
    return false;
}

}  // namespace cli
