// The test window's data: everything the window shows, the send log `QComms`
// with one row per request and its latest reply, and the raw traffic list
// `QReturn` with one line per transmitted or received frame.
//
// The record is plain data owned by the window; the request routines, the
// transmission pass and reply processing work on it. Only the window thread
// touches it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <span>
#include <string_view>
#include <vector>

#include "modbus/modbus_frame.h"
#include "modbus/one_based.h"
#include "platform/fixed_text.h"

/// One row of the send log: a request and the latest reply to it.
struct CommsRow {
    int32_t Sent = 0;                          ///< 1 once transmitted at least once
    int32_t SentTime = 0;                      ///< time of day of the latest transmission; 0 = never
    platform::BlankPadded<20> SentTimeString;  ///< SentTime as hh:mm:ss.cc
    int32_t SendCount = 0;                     ///< transmissions of this request
    ModbusTcpFrame OutModbusTcpFrame;          ///< the request (header in host order)
    int32_t Recieved = 0;                      ///< 1 once a reply with the request's function code came
    ModbusTcpFrame InModbusTcpFrame;           ///< the latest reply (header in host order)

    std::string_view OutPacketString() const { return OutModbusTcpFrame.PacketString(); }
    std::string_view InPacketString() const { return InModbusTcpFrame.PacketString(); }
    /// The duplicate key of the request: all its bytes after the transaction identifier.
    std::span<const uint8_t> OutKeyDataBytes() const { return OutModbusTcpFrame.KeyDataBytes(); }
};

/// One line of the raw traffic list.
struct ReturnRow {
    platform::BlankPadded<256> ReturnString;
};

struct TestData {
    // Controller data shown on the Inputs, Outputs, ControlRelays, Counters and VMem tabs.
    OneBased<int32_t, 512> Inputs;                ///< entry n = input n-1, filled by replies
    OneBased<int32_t, 512> Outputs;               ///< output coils to write
    OneBased<int32_t, 1024> ControlRelays;        ///< control relays to write
    OneBased<int16_t, 128> CounterCurrentValues;  ///< entry n = counter n-1
    int16_t VMemAddr = 0;
    int16_t VMemValue = 0;

    // Connection and timing settings (Config tab and the settings file).
    platform::BlankPadded<256> Server;
    uint16_t Port = 0;
    int32_t TimerValue = 0;           ///< window timer period, hundredths
    int32_t SendAllTimerValue = 50;   ///< send-all period, hundredths
    int32_t AfterSendPauseValue = 0;  ///< pause after each send, milliseconds
    int32_t AutoTime = 0;             ///< 1: replies adjust the timer period
    int32_t Bump = 0;                 ///< one-shot timer flag
    int32_t LastSendAll = 0;          ///< time of day of the last send-all pass

    // What the send-all pass requests (check boxes of the Config tab).
    int32_t RequestInputs = 0;
    int32_t SendOutputs = 0;
    int32_t SendControlRelays = 0;
    int32_t RequestAllCounters = 0;
    int32_t SendAllCounters = 0;

    // Requests per second.
    int32_t SendPerSec = 0;  ///< transmissions in the previous measuring window
    int32_t LTime = 0;       ///< time of day the current window began
    int32_t LCount = 0;      ///< transmissions counted in the current window

    /// Last transaction identifier handed out. Holds the identifier's 16-bit
    /// pattern, so identifiers above 32767 read back negative here.
    int16_t Gti = 0;

    // PLC address utility.
    platform::BlankPadded<6> PlcRange;
    int32_t ModbusAddress = 0;

    // Work areas of the request routines, the send routine and reply processing.
    std::array<uint8_t, ModbusTcpFrame::kDataSize> LOutDataBytes{};
    std::array<uint8_t, ModbusTcpFrame::kDataSize> LInDataBytes{};
    platform::BlankPadded<6> OutModbusTcpFrameBytes;  ///< header saved while it is in wire order
    platform::BlankPadded<6> InModbusTcpFrameBytes;   ///< reply header as received
    uint8_t LvByte = 0;                               ///< coil-packing accumulator

    std::vector<CommsRow> QComms;   ///< send log; position 1 is front()
    std::deque<ReturnRow> QReturn;  ///< raw list; newest line first
    /// Whether a window shows this data. A client without one (the command
    /// line) turns it off and saves, per frame, what only the window uses:
    /// raw-list lines, sent-time texts and the reply's values applied to the
    /// counters, inputs and VMem (it reads them from the reply in the log).
    bool WindowShown = true;
};
