// Fixed-length texts as the system's records hold them.
//
// BlankPadded<N> is a text of exactly N bytes padded with blanks (a STRING(n)
// field); ZeroTerminated<N> is a zero-terminated text in N bytes (a CSTRING(n)
// field, so at most N-1 characters). Both cut what does not fit, never write
// outside their bytes, and give their value without trailing blanks, which is
// how texts are compared, logged and stored. Both are constant-initialisable,
// so process-wide records that hold them are ready before any start-up code.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace platform {

/// `text` without trailing blanks.
constexpr std::string_view TrimRight(std::string_view text) {
    auto end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

/// The longest start of `text` of at most `bytes` bytes that does not end
/// inside a UTF-8 character: a character that does not fit is left out whole.
/// Bytes that are not UTF-8 are cut where they stand.
constexpr std::string_view CutUtf8(std::string_view text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    // Step back over the continuation bytes (10xxxxxx) of the character the cut
    // falls into; a character is at most 4 bytes long.
    std::size_t end = bytes;
    while (end > 0 && bytes - end < 3 && (byte(end) & 0xC0) == 0x80) --end;
    if (end != bytes && byte(end) < 0xC0) return text.substr(0, bytes);  // no lead byte there: not UTF-8
    return text.substr(0, end);
}

template <std::size_t N>
class BlankPadded {
public:
    constexpr BlankPadded() { bytes_.fill(' '); }
    constexpr BlankPadded(std::string_view text) : BlankPadded() { Set(text); }  // NOLINT: assignment from text
    BlankPadded& operator=(std::string_view text) {
        Set(text);
        return *this;
    }

    /// Stores `text`, cut to N bytes and padded with blanks. Only the bytes
    /// that may not be blanks yet are blanked, so a short text in a large
    /// field costs its own length, not the field's.
    constexpr void Set(std::string_view text) {
        const std::size_t length = std::min(text.size(), N);
        std::copy_n(text.begin(), length, bytes_.begin());
        if (blankFrom_ > length) std::fill(bytes_.begin() + length, bytes_.begin() + blankFrom_, ' ');
        blankFrom_ = length;
    }
    /// Overwrites the bytes from `offset` with `bytes` (cut at the end of the
    /// field) and leaves every other byte as it was.
    constexpr void Write(std::size_t offset, std::string_view bytes) {
        if (offset >= N) return;
        const std::size_t length = std::min(bytes.size(), N - offset);
        std::copy_n(bytes.begin(), length, bytes_.begin() + offset);
        blankFrom_ = std::max(blankFrom_, offset + length);
    }
    /// Stores a user's text: cut to N bytes without splitting a UTF-8 character.
    constexpr void SetText(std::string_view text) { Set(CutUtf8(text, N)); }
    /// The value without trailing blanks; only the bytes that may not be blanks are looked at.
    std::string_view View() const { return TrimRight(std::string_view(bytes_.data(), blankFrom_)); }
    std::string Str() const { return std::string(View()); }
    /// All N bytes, blanks included.
    std::string_view Whole() const { return {bytes_.data(), N}; }
    /// Writable bytes: the caller may write anywhere, so nothing is known blank afterwards.
    char* Data() {
        blankFrom_ = N;
        return bytes_.data();
    }
    const char* Data() const { return bytes_.data(); }
    static constexpr std::size_t Size() { return N; }
    bool Empty() const { return View().empty(); }

    friend bool operator==(const BlankPadded& a, const BlankPadded& b) { return a.View() == b.View(); }
    friend bool operator==(const BlankPadded& a, std::string_view b) { return a.View() == TrimRight(b); }

private:
    std::array<char, N> bytes_{};
    std::size_t blankFrom_ = 0;  // every byte from here on is a blank
};

template <std::size_t N>
class ZeroTerminated {
    static_assert(N > 0);

public:
    constexpr ZeroTerminated() { bytes_.fill('\0'); }
    constexpr ZeroTerminated(std::string_view text) { Set(text); }  // NOLINT
    ZeroTerminated& operator=(std::string_view text) {
        Set(text);
        return *this;
    }

    /// Stores `text` cut at its first zero byte, then to N-1 bytes without
    /// splitting a UTF-8 character.
    constexpr void Set(std::string_view text) {
        bytes_.fill('\0');
        text = CutUtf8(text.substr(0, std::min(text.find('\0'), text.size())), N - 1);
        std::copy(text.begin(), text.end(), bytes_.begin());
    }
    std::string_view View() const { return {bytes_.data(), std::strlen(bytes_.data())}; }
    std::string Str() const { return std::string(View()); }
    static constexpr std::size_t Capacity() { return N - 1; }
    bool Empty() const { return bytes_[0] == '\0'; }

    friend bool operator==(const ZeroTerminated& a, std::string_view b) { return a.View() == b; }

private:
    std::array<char, N> bytes_{};
};

}  // namespace platform
