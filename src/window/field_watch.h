// Which of a window's number fields may have changed since the last look.
//
// A window shows a few hundred numbers (a table of counters, rows of input
// bits) and looks at all of them after every event and tick. Most sit side by
// side in memory: the entries of a table, the members of one struct. The watch
// merges the fields that touch into runs of bytes and keeps a copy of each run
// from the last look, so a look at fields that did not change is one memcmp
// per run rather than a read per field.
//
// Window thread only: the fields are the window's variables, which only that
// thread writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "window/variable.h"

namespace window {

class FieldWatch {
public:
    /// Watches `fields`; Look reports them by their index in this vector. The
    /// first look after it reports every field.
    void Watch(const std::vector<Variable::Field>& fields);

    /// Calls `report(index)` for each field of every run whose bytes differ
    /// from the last look (for every field when `all`, or on the first look),
    /// in no particular order, then remembers the runs as they are now.
    template <typename Report>
    void Look(bool all, Report&& report) {
        all = all || !looked_;
        for (const Run& run : runs_) {
            const auto* live = reinterpret_cast<const std::byte*>(run.begin);
            std::byte* copy = copies_.data() + run.copyAt;
            if (!all && std::memcmp(live, copy, run.bytes) == 0) continue;
            std::memcpy(copy, live, run.bytes);
            for (std::size_t at = run.firstField; at < run.endField; ++at) report(order_[at]);
        }
        looked_ = true;
    }

    /// How many runs the fields make (for tests and benchmarks).
    std::size_t Runs() const { return runs_.size(); }

private:
    struct Run {
        std::uintptr_t begin = 0;
        std::size_t bytes = 0;
        std::size_t copyAt = 0;      // where the run's copy starts in copies_
        std::size_t firstField = 0;  // its fields are order_[firstField, endField)
        std::size_t endField = 0;
    };

    std::vector<Run> runs_;
    std::vector<std::size_t> order_;  // field indexes by address
    std::vector<std::byte> copies_;
    bool looked_ = false;
};

}  // namespace window
