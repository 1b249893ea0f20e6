#include "window/variable.h"

#include <cstring>

#include "window/picture.h"

namespace window {

int64_t NumberFromText(std::string_view text) { return Picture::Of("n-20").ParseNumber(text); }

namespace {
template <typename T>
int64_t Read(const void* address) {
    T value;
    std::memcpy(&value, address, sizeof value);
    return static_cast<int64_t>(value);
}
}  // namespace

int64_t ReadField(const Variable::Field& field) {
    switch (field.bytes) {
        case 1:
            return field.isSigned ? Read<int8_t>(field.address) : Read<uint8_t>(field.address);
        case 2:
            return field.isSigned ? Read<int16_t>(field.address) : Read<uint16_t>(field.address);
        case 4:
            return field.isSigned ? Read<int32_t>(field.address) : Read<uint32_t>(field.address);
        default:
            return field.isSigned ? Read<int64_t>(field.address) : Read<uint64_t>(field.address);
    }
}

Variable* Bindings::Find(std::string_view use) const {
    auto found = variables_.find(use);
    return found == variables_.end() ? nullptr : found->second.get();
}

const RowSource* Bindings::FindRows(std::string_view use) const {
    auto found = rows_.find(use);
    return found == rows_.end() ? nullptr : &found->second;
}

}  // namespace window
