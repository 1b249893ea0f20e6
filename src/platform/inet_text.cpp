// Dotted-decimal text and IPv4 addresses, as inet_addr and inet_ntoa give them.
#include <arpa/inet.h>

#include <charconv>
#include <string_view>

#include "platform/fixed_text.h"
#include "platform/sockets.h"

namespace platform {
namespace {

/// Reads one part of a dotted address (1-3 decimal digits, at most 255) from the front of `text`.
bool TakePart(std::string_view& text, uint32_t& part) {
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits == 0 || digits > 3) return false;
    std::from_chars(text.data(), text.data() + digits, part);
    text.remove_prefix(digits);
    return part <= 255;
}

}  // namespace

uint32_t inet_addr(const std::string& text) {
    std::string_view rest = TrimRight(text);
    uint32_t hostOrder = 0;
    for (int index = 0; index < 4; ++index) {
        if (index > 0) {
            if (rest.empty() || rest.front() != '.') return INADDR_NONE_VALUE;
            rest.remove_prefix(1);
        }
        uint32_t part = 0;
        if (!TakePart(rest, part)) return INADDR_NONE_VALUE;
        hostOrder = hostOrder << 8 | part;
    }
    return rest.empty() ? htonl(hostOrder) : INADDR_NONE_VALUE;
}

std::string inet_ntoa(uint32_t address) {
    uint32_t hostOrder = ntohl(address);
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (!text.empty()) text += '.';
        text += std::to_string(hostOrder >> shift & 0xffu);
    }
    return text;
}

}  // namespace platform
