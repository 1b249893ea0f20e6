#include "window/picture.h"

#include <limits>

#include "platform/fixed_text.h"

namespace window {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
    auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Reads the width digits of a code such as "14" or "04"; 0 when there are none or too many.
int WidthOf(std::string_view digits) {
    if (digits.empty() || digits.size() > 3) return 0;
    int width = 0;
    for (char c : digits) {
        if (!IsDigit(c)) return 0;
        width = width * 10 + (c - '0');
    }
    return width;
}

// The digits of |value|, safe for the lowest value too.
std::string Magnitude(int64_t value) {
    auto magnitude = value < 0 ? static_cast<uint64_t>(-(value + 1)) + 1 : static_cast<uint64_t>(value);
    return std::to_string(magnitude);
}

std::string Decimal(int64_t value) { return value < 0 ? "-" + Magnitude(value) : Magnitude(value); }

}  // namespace

Picture Picture::Of(std::string_view code) {
    Picture picture;
    if (code.empty()) return picture;
    char kind = code.front();
    std::string_view rest = code.substr(1);
    if (kind == 'n' || kind == 'N') {
        picture.numeric_ = true;
        if (!rest.empty() && rest.front() == '-') {
            picture.minus_ = true;
            rest.remove_prefix(1);
        }
        picture.zeros_ = rest.size() > 1 && rest.front() == '0';
        picture.width_ = WidthOf(rest);
        if (picture.width_ == 0) picture.zeros_ = false;
    } else if (kind == 's' || kind == 'S') {
        picture.width_ = WidthOf(rest);
    }
    return picture;
}

std::string Picture::Format(int64_t value) const {
    if (!zeros_) return Decimal(value);
    std::string digits = Magnitude(value);
    std::size_t wanted = static_cast<std::size_t>(width_) - (value < 0 ? 1 : 0);
    if (digits.size() < wanted) digits.insert(0, wanted - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

std::string Picture::Format(std::string_view text) const {
    auto end = text.find_last_not_of(' ');
    text = end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
    return std::string(width_ > 0 && !numeric_ ? platform::CutUtf8(text, static_cast<std::size_t>(width_)) : text);
}

int64_t Picture::ParseNumber(std::string_view typed) const { return ReadNumber(typed).value_or(0); }

std::optional<int64_t> Picture::ReadNumber(std::string_view typed) const {
    if (!numeric_ && width_ > 0) typed = typed.substr(0, static_cast<std::size_t>(width_));
    typed = TrimBlanks(typed);
    if (typed.empty()) return 0;
    bool negative = false;
    if (typed.front() == '-' || typed.front() == '+') {
        negative = typed.front() == '-';
        typed.remove_prefix(1);
    }
    if (typed.empty()) return std::nullopt;
    // The magnitude saturates at the type's end on its side, so every number
    // Format shows, the lowest one too, reads back as itself.
    constexpr auto kHighest = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    const uint64_t limit = negative ? kHighest + 1 : kHighest;
    uint64_t magnitude = 0;
    for (char c : typed) {
        if (!IsDigit(c)) return std::nullopt;
        auto digit = static_cast<uint64_t>(c - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;  // never overflows
    }
    if (!negative) return static_cast<int64_t>(magnitude);
    return magnitude == limit ? std::numeric_limits<int64_t>::min() : -static_cast<int64_t>(magnitude);
}

namespace {

// 10^digits - 1, or the largest int64 when that many digits do not fit it.
int64_t AllNines(int digits) {
    if (digits <= 0) return 0;
    if (digits > 18) return std::numeric_limits<int64_t>::max();
    int64_t value = 1;
    for (int i = 0; i < digits; ++i) value *= 10;
    return value - 1;
}

}  // namespace

int64_t Picture::Lowest() const {
    if (width_ == 0) return std::numeric_limits<int64_t>::min();
    if (numeric_ && !minus_) return 0;
    return -AllNines(width_ - 1);  // the sign takes one of the characters
}

int64_t Picture::Highest() const { return width_ == 0 ? std::numeric_limits<int64_t>::max() : AllNines(width_); }

std::string Picture::ParseText(std::string_view typed) const {
    if (width_ > 0 && !numeric_) typed = platform::CutUtf8(typed, static_cast<std::size_t>(width_));
    return std::string(typed);
}

std::string FormatNumber(std::string_view picture, int64_t value) { return Picture::Of(picture).Format(value); }

std::string FormatText(std::string_view picture, std::string_view text) { return Picture::Of(picture).Format(text); }

}  // namespace window
