// The DL06 Modbus address map that the simulator serves.
//
// Addresses are Modbus PDU addresses (counted from 0). Bits live in two
// spaces: coils (read with function 1, written with 5 and 15) and discrete
// inputs (read with function 2). Words are V memory, served both as holding
// registers (3, 6, 16) and as input registers (4), as the DL06 does.
#pragma once

#include <cstdint>
#include <span>

namespace sim {

/// One memory type of the controller: `count` items from `start`.
struct Dl06Area {
    const char* name;
    uint16_t start;
    uint16_t count;
    constexpr uint32_t End() const { return uint32_t{start} + count; }  // one past the last
};

// Coils. GY (global outputs GY0-GY3777) sits right below Y; the tool's input
// read starts at 2047, one coil before Y0, so that coil must answer.
inline constexpr Dl06Area kGy{"GY", 0, 2048};
inline constexpr Dl06Area kY{"Y", 2048, 512};    // Y0-Y777
inline constexpr Dl06Area kC{"C", 3072, 1024};   // C0-C1777
inline constexpr Dl06Area kS{"S", 5120, 1024};   // S0-S1777
inline constexpr Dl06Area kT{"T", 6144, 256};    // timer contacts T0-T377
inline constexpr Dl06Area kCt{"CT", 6400, 128};  // counter contacts CT0-CT177

// Discrete inputs.
inline constexpr Dl06Area kGx{"GX", 0, 2048};    // GX0-GX3777
inline constexpr Dl06Area kX{"X", 2048, 512};    // X0-X777
inline constexpr Dl06Area kSp{"SP", 3072, 512};  // SP0-SP777

// V memory V0-V41237 (octal), one register per word.
inline constexpr Dl06Area kV{"V", 0, 17056};
// Counter current values V1000-V1177, packed BCD.
inline constexpr uint16_t kCounterValues = 512;
inline constexpr int kCounterCount = 128;

/// Sizes of the flat tables that hold the maps (one past the highest address).
inline constexpr int kCoilSpace = 6528;
inline constexpr int kDiscreteSpace = 3584;
inline constexpr int kRegisterSpace = 17056;

std::span<const Dl06Area> CoilAreas();
std::span<const Dl06Area> DiscreteInputAreas();

/// True when every address of [start, start + quantity) belongs to some area.
/// Neighbouring areas join (GY runs on into Y); a range that touches a gap is refused.
bool CoversOnlyMapped(std::span<const Dl06Area> areas, uint32_t start, uint32_t quantity);

/// The same for V memory.
bool CoversOnlyVMemory(uint32_t start, uint32_t quantity);

}  // namespace sim
