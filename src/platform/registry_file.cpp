#include "platform/registry_file.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <vector>

namespace platform::detail {
namespace {

constexpr std::string_view kHeader = "brackwater-registry 1";
constexpr std::string_view kEnd = "end";
constexpr char kHexDigits[] = "0123456789abcdef";

bool NeedsEscape(unsigned char c) { return c < 0x20 || c == 0x7f || c == '%' || c == '"'; }

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char raw : text) {
        auto c = static_cast<unsigned char>(raw);
        if (NeedsEscape(c)) {
            out += '%';
            out += kHexDigits[c >> 4];
            out += kHexDigits[c & 0xf];
        } else {
            out += raw;
        }
    }
    return out + '"';
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    for (uint8_t b : bytes) {
        out += kHexDigits[b >> 4];
        out += kHexDigits[b & 0xf];
    }
    return out;
}

bool IsPlainString(const RegistryValue& value) {
    if (value.type != REG_SZ && value.type != REG_EXPAND_SZ) return false;
    const auto& d = value.data;
    return !d.empty() && d.back() == 0 && std::find(d.begin(), d.end() - 1, uint8_t{0}) == d.end() - 1;
}

std::string FormatValue(const NamedValue& named) {
    const RegistryValue& value = named.value;
    std::string line = "value " + Quote(named.name) + ' ';
    std::string type = std::to_string(value.type);
    if (IsPlainString(value)) return line + "text(" + type + ") " + Quote(value.Text());
    if (value.type == REG_DWORD && value.data.size() == 4) {
        std::vector<uint8_t> bigEndian(value.data.rbegin(), value.data.rend());
        return line + "dword(" + type + ") " + Hex(bigEndian);
    }
    return line + "hex(" + type + ") " + Hex(value.data);
}

// ---- Reading ----

std::optional<int> HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> ParseHex(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        auto high = HexValue(text[i]);
        auto low = HexValue(text[i + 1]);
        if (!high || !low) return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(*high << 4 | *low));
    }
    return bytes;
}

/// Takes a quoted text from the front of `line`; the closing quote must be there.
std::optional<std::string> TakeQuoted(std::string_view& line) {
    if (line.empty() || line.front() != '"') return std::nullopt;
    auto close = line.find('"', 1);
    if (close == std::string_view::npos) return std::nullopt;
    std::string_view raw = line.substr(1, close - 1);
    line.remove_prefix(close + 1);
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(raw[i]);
        if (c < 0x20) return std::nullopt;
        if (c != '%') {
            out += static_cast<char>(c);
            continue;
        }
        auto bytes = ParseHex(raw.substr(i + 1, 2));
        if (!bytes || bytes->size() != 1) return std::nullopt;
        out += static_cast<char>((*bytes)[0]);
        i += 2;
    }
    return out;
}

bool TakePrefix(std::string_view& line, std::string_view prefix) {
    if (!line.starts_with(prefix)) return false;
    line.remove_prefix(prefix.size());
    return true;
}

/// "form(type) payload" after a value's name.
std::optional<RegistryValue> ParseValueData(std::string_view rest) {
    auto open = rest.find('(');
    auto close = rest.find(") ");
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) return std::nullopt;
    std::string_view form = rest.substr(0, open);
    std::string_view typeText = rest.substr(open + 1, close - open - 1);
    std::string_view payload = rest.substr(close + 2);
    RegistryValue value;
    auto [end, error] = std::from_chars(typeText.data(), typeText.data() + typeText.size(), value.type);
    if (error != std::errc{} || end != typeText.data() + typeText.size()) return std::nullopt;
    if (form == "text") {
        auto text = TakeQuoted(payload);
        if (!text || !payload.empty()) return std::nullopt;
        value.data.assign(text->begin(), text->end());
        value.data.push_back(0);
        return value;
    }
    auto bytes = ParseHex(payload);
    if (!bytes || (form != "hex" && form != "dword") || (form == "dword" && bytes->size() != 4)) return std::nullopt;
    value.data = form == "dword" ? std::vector<uint8_t>(bytes->rbegin(), bytes->rend()) : *bytes;
    return value;
}

/// One line inside the file; false when it is not a key or value line.
bool ParseLine(std::string_view line, RegistryTree& tree, RegistryKeyData*& current) {
    if (TakePrefix(line, "key ")) {
        auto path = TakeQuoted(line);
        if (!path || !line.empty() || CleanPath(*path).empty()) return false;
        current = &EnsureKey(tree, *path);
        return true;
    }
    if (current == nullptr || !TakePrefix(line, "value ")) return false;
    auto name = TakeQuoted(line);
    if (!name || !TakePrefix(line, " ")) return false;
    auto value = ParseValueData(line);
    if (!value) return false;
    current->values[FoldName(*name)] = NamedValue{*name, std::move(*value)};
    return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        auto end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return lines;
}

}  // namespace

std::string FoldName(std::string_view name) {
    std::string folded = CleanPath(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

std::string CleanPath(std::string_view path) {
    std::string out;
    while (!path.empty()) {
        auto end = path.find('\\');
        std::string_view part = path.substr(0, end);
        if (!part.empty()) out += (out.empty() ? "" : "\\") + std::string(part);
        path = end == std::string_view::npos ? std::string_view{} : path.substr(end + 1);
    }
    return out;
}

RegistryKeyData& EnsureKey(RegistryTree& tree, std::string_view path) {
    std::string clean = CleanPath(path);
    RegistryKeyData* key = nullptr;
    for (std::size_t end = 0; end != std::string::npos;) {
        end = clean.find('\\', end + 1);
        std::string prefix = clean.substr(0, end);
        auto [it, added] = tree.try_emplace(FoldName(prefix));
        if (added) it->second.path = prefix;
        key = &it->second;
    }
    return *key;
}

std::string FormatRegistry(const RegistryTree& tree) {
    std::string text = std::string(kHeader) + '\n';
    for (const auto& [folded, key] : tree) {
        text += "key " + Quote(key.path) + '\n';
        for (const auto& [name, named] : key.values) text += FormatValue(named) + '\n';
    }
    return text + std::string(kEnd) + '\n';
}

RegistryTree ParseRegistry(std::string_view text) {
    auto lines = SplitLines(text);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.size() < 2 || lines.front() != kHeader || lines.back() != kEnd) return {};
    RegistryTree tree;
    RegistryKeyData* current = nullptr;
    for (std::size_t i = 1; i + 1 < lines.size(); ++i) {
        if (!ParseLine(lines[i], tree, current)) return {};
    }
    return tree;
}

}  // namespace platform::detail
