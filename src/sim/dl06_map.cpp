#include "sim/dl06_map.h"

#include <array>

namespace sim {
namespace {

constexpr std::array kCoilAreas{kGy, kY, kC, kS, kT, kCt};
constexpr std::array kDiscreteAreas{kGx, kX, kSp};

bool Contains(const Dl06Area& area, uint32_t address) { return address >= area.start && address < area.End(); }

/// The area holding `address`, or nullptr when it falls in a gap.
const Dl06Area* AreaOf(std::span<const Dl06Area> areas, uint32_t address) {
    for (const auto& area : areas) {
        if (Contains(area, address)) return &area;
    }
    return nullptr;
}

}  // namespace

std::span<const Dl06Area> CoilAreas() { return kCoilAreas; }
std::span<const Dl06Area> DiscreteInputAreas() { return kDiscreteAreas; }

bool CoversOnlyMapped(std::span<const Dl06Area> areas, uint32_t start, uint32_t quantity) {
    if (quantity == 0) return false;
    const uint32_t end = start + quantity;
    uint32_t address = start;
    // Walk area by area; each step jumps to the end of the area that holds `address`.
    while (address < end) {
        const Dl06Area* area = AreaOf(areas, address);
        if (area == nullptr) return false;
        address = area->End();
    }
    return true;
}

bool CoversOnlyVMemory(uint32_t start, uint32_t quantity) { return quantity > 0 && start + quantity <= kV.End(); }

}  // namespace sim
