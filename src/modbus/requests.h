// The request catalogue: one routine per request the test window can make.
//
// Each routine builds its frame from the window's data and enters it into the
// send log (see send_log.h); none transmits anything, which the next timer
// tick's transmission pass does. Addresses are those of the DL06 Modbus map:
// Y0 = 2048 (0x0800), C0 = 3072 (0x0C00), V1000 (octal) = 512 (0x0200).
// Window thread only.
#pragma once

#include "modbus/test_data.h"

/// Read coils (1): 20 coils from 2047; the reply's bit 1 onward is input 0 onward.
void rRequestInputs(TestData& data);
/// Write multiple coils (15): `Outputs` 1 .. 16 to 2048.
void rSendOutputs(TestData& data);
/// Write multiple coils (15): `ControlRelays` 1 .. 16 to 3072.
void rSendControlRelays(TestData& data);
/// Read holding registers (3): two frames, 64 registers from 512 and from 576.
void rRequestAllCounters(TestData& data);
/// Write multiple registers (16): two frames, `CounterCurrentValues` 1 .. 64 to 512
/// and 65 .. 128 to 576, each as packed BCD of its lowest four digits.
void rSendAllCounters(TestData& data);
/// Read holding registers (3): one register at `VMemAddr`.
void rRequestVMem(TestData& data);
/// Write multiple registers (16): `VMemValue` as packed BCD to `VMemAddr`.
void rSendVMem(TestData& data);
