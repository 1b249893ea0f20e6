// How a list's rows moved between two showings, so a view can insert or
// remove rows at the top and touch only the rows whose texts differ instead
// of rewriting every row when one line is added above the others.
//
// Any thread; pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace window {

using TextRows = std::vector<std::vector<std::string>>;

/// The rows `shift` places down (negative: up) from where they were; rows
/// that match in that alignment are left alone.
struct RowShift {
    int shift = 0;         ///< > 0: that many rows are new on top; < 0: that many left the top
    std::size_t kept = 0;  ///< rows that stay the same in that alignment
};

/// The alignment of `now` against `before` that keeps the most rows unchanged
/// (the smaller shift wins a tie), among the shifts that line up the first row
/// of one list with an equal row of the other, up to `most` rows either way.
RowShift FindRowShift(const TextRows& before, const TextRows& now, std::size_t most = SIZE_MAX);

}  // namespace window
