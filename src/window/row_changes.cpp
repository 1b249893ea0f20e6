#include "window/row_changes.h"

#include <algorithm>
#include <cstdlib>

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

/// Shifts worth counting: those that put `before`'s first row on a row of
/// `now` equal to it (rows new on top), or `now`'s first row on a row of
/// `before` equal to it (rows gone from the top), nearest first, at most
/// kCandidates each way. Rows repeat (a burst of equal replies within one
/// hundredth), so without that bound a run of equal rows would make every
/// shift a candidate and the search quadratic again.
std::vector<int> CandidateShifts(const TextRows& before, const TextRows& now, std::size_t most) {
    constexpr std::size_t kCandidates = 4;
    std::vector<int> shifts;
    if (before.empty() || now.empty()) return shifts;
    std::size_t found = 0;
    for (std::size_t s = 1; s < now.size() && s <= most && found < kCandidates; ++s)
        if (now[s] == before[0]) shifts.push_back(static_cast<int>(s)), ++found;
    found = 0;
    for (std::size_t s = 1; s < before.size() && s <= most && found < kCandidates; ++s)
        if (before[s] == now[0]) shifts.push_back(-static_cast<int>(s)), ++found;
    return shifts;
}

}  // namespace

// Lists here change at the top (new lines above the others) and at the bottom
// (old lines cut), so only the shifts that line up the first rows are
// counted; anything else falls back to comparing the rows in place. The cost
// is a scan of both lists plus a few alignments, whatever the burst.
RowShift FindRowShift(const TextRows& before, const TextRows& now, std::size_t most) {
    RowShift best{0, Matches(before, now, 0)};
    if (best.kept == std::min(before.size(), now.size())) return best;  // the usual case: nothing moved
    for (int shift : CandidateShifts(before, now, most)) {
        const std::size_t kept = Matches(before, now, shift);
        if (kept > best.kept || (kept == best.kept && std::abs(shift) < std::abs(best.shift))) best = {shift, kept};
    }
    return best;
}

}  // namespace window
