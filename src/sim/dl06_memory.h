// The simulated controller's memory and the little program that keeps it alive.
//
// The tables are a libmodbus mapping, so libmodbus can serve replies straight
// from them. One mutex guards them: the server thread, the life timer and the
// owner all go through it. Any thread may call any member.
#pragma once

#include <modbus/modbus.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

namespace sim {

/// Packed BCD of the lowest four decimal digits of `value` (0 for negatives).
uint16_t ToBcd(int value);
/// The decimal value of four packed BCD digits, or nothing when a nibble is above 9.
std::optional<int> FromBcd(uint16_t bcd);

class Dl06Memory {
public:
    Dl06Memory();
    ~Dl06Memory();
    Dl06Memory(const Dl06Memory&) = delete;
    Dl06Memory& operator=(const Dl06Memory&) = delete;

    // Single items; an address outside the map reads 0 and is not written.
    bool Coil(uint32_t address) const;
    void SetCoil(uint32_t address, bool on);
    bool DiscreteInput(uint32_t address) const;
    void SetDiscreteInput(uint32_t address, bool on);
    uint16_t Register(uint32_t address) const;
    void SetRegister(uint32_t address, uint16_t value);

    /// Counter current value CT`counter` (0-127) as a decimal number; nothing when not BCD.
    std::optional<int> CounterValue(int counter) const;
    void SetCounterValue(int counter, int value);

    /// One scan of the built-in program: X0-X3 show the scan count in binary,
    /// Y20-Y23 follow X0-X3, and counters CT0-CT3 count up (CT n every 2^n scans),
    /// wrapping from 9999 to 0.
    void Tick();
    uint64_t TickCount() const;

    /// Runs `use` with the tables locked (the reply builder serves from them).
    void WithMapping(const std::function<void(modbus_mapping_t&)>& use);

private:
    void CountUp(int counter);

    mutable std::mutex mutex_;
    modbus_mapping_t* mapping_;
    uint64_t ticks_ = 0;
};

}  // namespace sim
