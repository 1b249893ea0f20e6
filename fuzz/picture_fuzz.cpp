// Fuzzes display pictures: parsing picture codes, formatting values and
// parsing what a user typed.
//
// Input: the picture code and the typed text (strings, each ended by "\" and
// another character, or by the input's end), then from the input's end a
// number to format. So "n04" alone is a useful input.
//
// Checks: the picture read from any code is consistent (leading zeros and a
// minus sign only on number pictures with a width; widths of at most three
// digits); under a number picture every number formats to text that parses
// back to it, with leading zeros filling the width; without leading zeros a
// number shows as its plain decimal text; formatting text drops trailing
// blanks, cuts to the width of a text picture and is idempotent but for the
// blanks a cut may leave at the end; parsing typed
// text agrees with std::from_chars wherever that reads it. A broken check
// stops with __builtin_trap.
#include <fuzzer/FuzzedDataProvider.h>

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "window/picture.h"

namespace {

void Require(bool holds) {
    if (!holds) __builtin_trap();
}

constexpr int kWidestPicture = 999;

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

void CheckPicture(const window::Picture& picture) {
    Require(picture.Width() >= 0 && picture.Width() <= kWidestPicture);
    if (!picture.IsNumeric()) Require(!picture.LeadingZeros() && !picture.AllowsMinus());
    if (picture.LeadingZeros()) Require(picture.Width() > 0);
}

void CheckNumber(const window::Picture& picture, int64_t value) {
    std::string shown = picture.Format(value);
    if (!picture.LeadingZeros()) {
        Require(shown == std::to_string(value));
    } else {
        Require(shown.size() >= static_cast<std::size_t>(picture.Width()));
        Require(AllDigits(value < 0 ? std::string_view(shown).substr(1) : std::string_view(shown)));
        Require((value < 0) == (shown.front() == '-'));
    }
    if (picture.IsNumeric()) Require(picture.ParseNumber(shown) == value);
}

void CheckText(const window::Picture& picture, std::string_view text) {
    std::string shown = picture.Format(text);
    // Blanks are trimmed before the cut, so a cut may end in one; showing the
    // shown text again gives it back without them.
    auto end = shown.find_last_not_of(' ');
    std::string_view trimmed =
        end == std::string::npos ? std::string_view{} : std::string_view(shown).substr(0, end + 1);
    Require(picture.Format(shown) == trimmed);
    if (picture.IsNumeric() || picture.Width() == 0) Require(shown == trimmed);
    if (!picture.IsNumeric() && picture.Width() > 0) {
        Require(shown.size() <= static_cast<std::size_t>(picture.Width()));
        Require(picture.ParseText(text).size() <= static_cast<std::size_t>(picture.Width()));
        Require(picture.ParseText(shown) == shown);
    }
}

/// Typed text that std::from_chars reads in full ("  -0042 ", "+7") must give its number.
void CheckTyped(const window::Picture& picture, std::string_view typed) {
    int64_t parsed = picture.ParseNumber(typed);
    if (!picture.IsNumeric() && picture.Width() > 0) typed = typed.substr(0, static_cast<std::size_t>(picture.Width()));
    auto first = typed.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        Require(parsed == 0);
        return;
    }
    typed = typed.substr(first, typed.find_last_not_of(" \t") - first + 1);
    bool negative = typed.front() == '-';
    if (negative || typed.front() == '+') typed.remove_prefix(1);
    if (!AllDigits(typed)) return;
    std::string number = (negative ? "-" : "") + std::string(typed);
    int64_t expected = 0;
    auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), expected);
    if (error == std::errc() && end == number.data() + number.size()) Require(parsed == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    FuzzedDataProvider input(bytes, size);
    std::string code = input.ConsumeRandomLengthString(16);
    std::string typed = input.ConsumeRandomLengthString(256);
    auto value = input.ConsumeIntegral<int64_t>();

    window::Picture picture = window::Picture::Of(code);
    CheckPicture(picture);
    CheckNumber(picture, value);
    CheckNumber(picture, std::numeric_limits<int64_t>::min());
    CheckNumber(picture, std::numeric_limits<int64_t>::max());
    CheckText(picture, typed);
    CheckTyped(picture, typed);
    return 0;
}
