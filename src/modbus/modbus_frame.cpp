#include "modbus/modbus_frame.h"

#include <algorithm>

void ModbusTcpFrame::Load(std::span<const uint8_t> frame, uint8_t filler) {
    bytes_.fill(filler);
    std::copy_n(frame.begin(), std::min(frame.size(), kSize), bytes_.begin());
}
