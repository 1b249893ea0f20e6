#include "window/field_watch.h"

#include <algorithm>
#include <numeric>

namespace window {

namespace {
std::uintptr_t Begin(const Variable::Field& field) { return reinterpret_cast<std::uintptr_t>(field.address); }
std::uintptr_t End(const Variable::Field& field) { return Begin(field) + field.bytes; }
}  // namespace

// Only fields that touch or overlap share a run: bytes between two fields
// may belong to another object, which the watch must not read.
void FieldWatch::Watch(const std::vector<Variable::Field>& fields) {
    order_.resize(fields.size());
    std::iota(order_.begin(), order_.end(), std::size_t{0});
    std::ranges::sort(order_, [&](std::size_t a, std::size_t b) { return Begin(fields[a]) < Begin(fields[b]); });
    runs_.clear();
    std::size_t copyBytes = 0;
    for (std::size_t at = 0; at < order_.size(); ++at) {
        const Variable::Field& field = fields[order_[at]];
        if (!runs_.empty() && Begin(field) <= runs_.back().begin + runs_.back().bytes) {
            Run& run = runs_.back();
            const std::size_t grown = std::max(run.begin + run.bytes, End(field)) - run.begin;
            copyBytes += grown - run.bytes;
            run.bytes = grown;
            run.endField = at + 1;
            continue;
        }
        runs_.push_back({Begin(field), field.bytes, copyBytes, at, at + 1});
        copyBytes += field.bytes;
    }
    copies_.assign(copyBytes, std::byte{0});
    looked_ = false;
}

}  // namespace window
