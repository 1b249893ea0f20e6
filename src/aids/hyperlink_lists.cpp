// Helpers for list links and for text that carries HTML anchors. The test
// window uses none of them; they keep their rows consistent with the rest.
#include <algorithm>
#include <string>

#include "aids/hyperlink.h"
#include "aids/link_text.h"

namespace aids {

std::string HyperLinkClass::GetListURL(int32_t, std::string_view text, std::string_view, int32_t) {
    return text.empty() ? ListURL : Cut(text, kMaxUrl);
}

std::string ThisHyperLinkClass::GetListURL(int32_t, std::string_view, std::string_view, int32_t) { return {}; }

bool HyperLinkClass::ChangeURL(int32_t control, std::string_view url, int32_t column) {
    if (Disable) return false;
    LinkRow* row = FindRow(control, column);
    if (!row) return false;
    row->URL = Cut(url, kMaxUrl);
    Refresh(control);
    return true;
}

std::string HyperLinkClass::GetHTMLString(std::string_view text) {
    static constexpr std::string_view kAnchor = "<a href=";
    const std::string lower = Lower(text);
    auto at = lower.find(kAnchor);
    if (at == std::string::npos) return {};
    std::string_view rest = text.substr(at + kAnchor.size());
    if (!rest.empty() && (rest.front() == '"' || rest.front() == '\'')) {
        const char quote = rest.front();
        rest.remove_prefix(1);
        return Cut(rest.substr(0, rest.find(quote)), kMaxUrl);
    }
    return Cut(rest.substr(0, rest.find_first_of(" >")), kMaxUrl);
}

bool HyperLinkClass::ChangeColumn(int32_t control, int32_t oldColumn, int32_t newColumn) {
    if (Disable) return false;
    auto it = std::find_if(ItemQ.Rows.begin(), ItemQ.Rows.end(),
                           [&](const LinkRow& r) { return r.Control == control && r.Column == oldColumn; });
    if (it == ItemQ.Rows.end()) return false;
    LinkRow row = *it;
    ItemQ.Rows.erase(it);
    row.Column = newColumn;
    row.Working = 0;
    auto key = [](const LinkRow& a, const LinkRow& b) {
        return a.Control != b.Control ? a.Control < b.Control : a.Column < b.Column;
    };
    ItemQ.Rows.insert(std::upper_bound(ItemQ.Rows.begin(), ItemQ.Rows.end(), row, key), row);
    for (TrackerRow& tracker : TrackerQ)
        if (tracker.Control == control && tracker.ColumnNo == oldColumn) tracker.ColumnNo = newColumn;
    SetControlProperties(control, std::nullopt);
    return true;
}

void HyperLinkClass::SaveFormat(int32_t control, int32_t column, std::string_view format) {
    constexpr std::size_t kMostFormat = 255;
    for (TrackerRow& tracker : TrackerQ) {
        if (tracker.Control == control && tracker.ColumnNo == column) {
            tracker.OldFormatCol = Cut(format, kMostFormat);
            return;
        }
    }
    TrackerQ.push_back(TrackerRow{.Control = control, .OldFormatCol = Cut(format, kMostFormat), .ColumnNo = column});
}

std::string HyperLinkClass::AddString(std::string_view text, std::string_view addition) {
    return Cut(std::string(text) + std::string(addition), kMaxUrl);
}

std::string HyperLinkClass::FormatString(std::string_view text) {
    static constexpr std::string_view kHex = "0123456789ABCDEF";
    static constexpr std::string_view kPlain = "@.:-_~!$&'()*+,;=/?";
    std::string escaped;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || kPlain.find(c) != std::string_view::npos) {
            escaped += c;
        } else {
            escaped += '%';
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0x0F];
        }
    }
    return Cut(escaped, kMaxUrl);
}

}  // namespace aids
