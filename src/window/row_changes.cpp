#include "window/row_changes.h"

#include <algorithm>

namespace window {
namespace {

/// Rows of `now` equal to the rows of `before` that stand `shift` rows above them.
std::size_t Matches(const TextRows& before, const TextRows& now, int shift) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < now.size(); ++i) {
        const auto from = static_cast<std::ptrdiff_t>(i) - shift;
        if (from < 0) continue;
        if (static_cast<std::size_t>(from) >= before.size()) break;
        if (now[i] == before[static_cast<std::size_t>(from)]) ++kept;
    }
    return kept;
}

}  // namespace

// Lists here change at the top (a new line above the others) and at the
// bottom (old lines cut), so a few shifts cover them; anything else falls
// back to comparing the rows in place.
RowShift FindRowShift(const TextRows& before, const TextRows& now, std::size_t most) {
    RowShift best{0, Matches(before, now, 0)};
    if (best.kept == std::min(before.size(), now.size())) return best;  // the usual case: nothing moved
    const int up = static_cast<int>(std::min(most, before.size()));
    const int down = static_cast<int>(std::min(most, now.size()));
    for (int shift = -up; shift <= down; ++shift) {
        if (shift == 0) continue;
        const std::size_t kept = Matches(before, now, shift);
        if (kept > best.kept) best = {shift, kept};
    }
    return best;
}

}  // namespace window
