#include "window/variable.h"

#include "window/picture.h"

namespace window {

int64_t NumberFromText(std::string_view text) { return Picture::Of("n-20").ParseNumber(text); }

Variable* Bindings::Find(std::string_view use) const {
    auto found = variables_.find(use);
    return found == variables_.end() ? nullptr : found->second.get();
}

const RowSource* Bindings::FindRows(std::string_view use) const {
    auto found = rows_.find(use);
    return found == rows_.end() ? nullptr : &found->second;
}

}  // namespace window
