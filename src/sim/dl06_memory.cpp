#include "sim/dl06_memory.h"

#include <new>

#include "sim/dl06_map.h"

namespace sim {
namespace {

constexpr int kLiveInputs = 4;                    // X0-X3
constexpr uint32_t kFollowerOutputs = 2048 + 16;  // Y20 (octal)
constexpr int kLiveCounters = 4;                  // CT0-CT3

}  // namespace

uint16_t ToBcd(int value) {
    if (value < 0) return 0;
    value %= 10000;
    uint16_t bcd = 0;
    for (int shift = 0; shift < 16; shift += 4) {
        bcd = static_cast<uint16_t>(bcd | ((value % 10) << shift));
        value /= 10;
    }
    return bcd;
}

std::optional<int> FromBcd(uint16_t bcd) {
    int value = 0;
    for (int shift = 12; shift >= 0; shift -= 4) {
        const int digit = (bcd >> shift) & 0xF;
        if (digit > 9) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

Dl06Memory::Dl06Memory() : mapping_(modbus_mapping_new(kCoilSpace, kDiscreteSpace, kRegisterSpace, 0)) {
    if (mapping_ == nullptr) throw std::bad_alloc();
    // The DL06 serves V memory to both register reads (functions 3 and 4).
    mapping_->tab_input_registers = mapping_->tab_registers;
    mapping_->nb_input_registers = mapping_->nb_registers;
}

Dl06Memory::~Dl06Memory() {
    mapping_->tab_input_registers = nullptr;  // shared with tab_registers; freed once
    modbus_mapping_free(mapping_);
}

bool Dl06Memory::Coil(uint32_t address) const {
    std::lock_guard lock(mutex_);
    return address < kCoilSpace && mapping_->tab_bits[address] != 0;
}

void Dl06Memory::SetCoil(uint32_t address, bool on) {
    std::lock_guard lock(mutex_);
    if (address < kCoilSpace) mapping_->tab_bits[address] = on ? 1 : 0;
}

bool Dl06Memory::DiscreteInput(uint32_t address) const {
    std::lock_guard lock(mutex_);
    return address < kDiscreteSpace && mapping_->tab_input_bits[address] != 0;
}

void Dl06Memory::SetDiscreteInput(uint32_t address, bool on) {
    std::lock_guard lock(mutex_);
    if (address < kDiscreteSpace) mapping_->tab_input_bits[address] = on ? 1 : 0;
}

uint16_t Dl06Memory::Register(uint32_t address) const {
    std::lock_guard lock(mutex_);
    return address < kRegisterSpace ? mapping_->tab_registers[address] : uint16_t{0};
}

void Dl06Memory::SetRegister(uint32_t address, uint16_t value) {
    std::lock_guard lock(mutex_);
    if (address < kRegisterSpace) mapping_->tab_registers[address] = value;
}

std::optional<int> Dl06Memory::CounterValue(int counter) const {
    if (counter < 0 || counter >= kCounterCount) return std::nullopt;
    return FromBcd(Register(kCounterValues + static_cast<uint32_t>(counter)));
}

void Dl06Memory::SetCounterValue(int counter, int value) {
    if (counter < 0 || counter >= kCounterCount) return;
    SetRegister(kCounterValues + static_cast<uint32_t>(counter), ToBcd(value));
}

void Dl06Memory::Tick() {
    std::lock_guard lock(mutex_);
    ++ticks_;
    for (int bit = 0; bit < kLiveInputs; ++bit) {
        const uint8_t on = ((ticks_ >> bit) & 1U) != 0 ? 1 : 0;
        mapping_->tab_input_bits[kX.start + bit] = on;
        mapping_->tab_bits[kFollowerOutputs + static_cast<uint32_t>(bit)] = on;
    }
    for (int counter = 0; counter < kLiveCounters; ++counter) {
        if (ticks_ % (uint64_t{1} << counter) == 0) CountUp(counter);
    }
}

uint64_t Dl06Memory::TickCount() const {
    std::lock_guard lock(mutex_);
    return ticks_;
}

void Dl06Memory::CountUp(int counter) {
    uint16_t& slot = mapping_->tab_registers[kCounterValues + counter];
    const int value = FromBcd(slot).value_or(-1);  // a value that is not BCD starts again at 0
    slot = ToBcd((value + 1) % 10000);
}

void Dl06Memory::WithMapping(const std::function<void(modbus_mapping_t&)>& use) {
    std::lock_guard lock(mutex_);
    use(*mapping_);
}

}  // namespace sim
