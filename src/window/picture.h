// Display pictures: how an entry, a spin box or a list column shows a value
// and how typed text becomes a value again. Both window hosts (the headless
// one and the Qt view) go through this one place; the window itself formats
// with it when it shows its variables and parses with it on Update.
//
// Picture codes:
//   "n3", "n4", "n6"   whole number in at most that many characters
//   "n04", "N04", "n03" whole number in exactly that many digits, leading zeros
//   "n-7", "n-14"      whole number, a minus sign in front when negative
//   "s20", "S4"        text of that many characters (a number bound to a text
//                      picture is shown as its decimal text)
// Letter case of the code does not matter. A value wider than its picture is
// shown in full rather than hidden or cut, so nothing the controller returns
// is ever misread on screen (V40000 is Modbus address 16384 under "n4").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace window {

class Picture {
public:
    /// The picture of `code`; an empty or unknown code shows values as they are.
    static Picture Of(std::string_view code);

    std::string Format(int64_t value) const;
    std::string Format(std::string_view text) const;

    /// The number a user's typing stands for: surrounding blanks ignored, an
    /// optional sign, then digits; anything else counts as 0. Under a text
    /// picture only the first Width() characters typed count.
    int64_t ParseNumber(std::string_view typed) const;
    /// The same, but nothing for typing that is not a whole number (a blank
    /// entry is 0).
    std::optional<int64_t> ReadNumber(std::string_view typed) const;
    /// The numbers the picture can show within its width: no minus sign unless
    /// the picture has one (or is a text picture); no limit without a width.
    int64_t Lowest() const;
    int64_t Highest() const;
    /// The text a user's typing stands for, cut to the picture's width.
    std::string ParseText(std::string_view typed) const;

    bool IsNumeric() const { return numeric_; }
    bool LeadingZeros() const { return zeros_; }
    bool AllowsMinus() const { return minus_; }
    /// Characters the picture holds; 0 = no limit.
    int Width() const { return width_; }

private:
    bool numeric_ = false;
    bool zeros_ = false;
    bool minus_ = false;
    int width_ = 0;
};

/// Shortcuts for one-off use.
std::string FormatNumber(std::string_view picture, int64_t value);
std::string FormatText(std::string_view picture, std::string_view text);

}  // namespace window
