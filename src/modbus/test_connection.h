// MyC: the test window's connection. Its Process takes the connection's events
// into the window's data: the open and idle reports, and received Modbus TCP
// replies, which it pairs with their requests in the send log by transaction
// identifier, shows in the raw list, and applies to inputs, counters and
// V-memory.
//
// Window thread only.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "modbus/test_data.h"
#include "net/connection/net_simple.h"

/// What reply processing needs of the window that owns the connection.
class TestWindowServices {
public:
    virtual ~TestWindowServices() = default;
    /// The window timer's period in hundredths; 0 = stopped.
    virtual int32_t TimerPeriod() const = 0;
    virtual void SetTimerPeriod(int32_t hundredths) = 0;
    /// A modal message box; "|" starts a new line.
    virtual void ShowMessage(std::string_view text) = 0;
    /// Shows every variable of the window again.
    virtual void Refresh() = 0;
    /// A reply was paired with its request; `row` holds both (for the status line).
    virtual void TookReply(const CommsRow& row) { (void)row; }
};

/// Longest Modbus TCP frame (MBAP header and the largest PDU): 7 + 253 bytes,
/// so a length field runs from 2 (unit identifier and function code) to 254.
constexpr int32_t kShortestLengthField = 2;
constexpr int32_t kLongestLengthField = 254;

/// Timer period limits of Auto Time, in hundredths.
constexpr int32_t kAutoTimeFastest = 5;
constexpr int32_t kAutoTimeSlowest = 100;

class MyC : public NetSimple {
public:
    MyC(TestData& data, TestWindowServices& window) : data_(data), window_(window) {}

    /// Handles the event whose packet is in `Packet`, then cuts the send log.
    void Process() override;

    /// Bytes of an incomplete reply kept for the next data event of the same connection.
    std::size_t PendingBytes() const { return tail_.size(); }

private:
    void TakeInData();
    /// Consumes one complete frame (header in wire order).
    void TakeInFrame(std::span<const uint8_t> frame);
    void DropTail() { tail_.clear(); }

    TestData& data_;
    TestWindowServices& window_;
    std::vector<uint8_t> tail_;  // start of a reply cut off at the end of a data event
    int32_t tailSockID_ = 0;
};

/// Copies a reply's values into the window's data: the inputs from a read-coils
/// reply, counters and the V-memory value from a read-registers reply. Only the
/// values the frame actually carries are used. `row` holds the request and the
/// reply; `frameLength` is the reply's length in bytes.
void ApplyReply(TestData& data, const CommsRow& row, std::size_t frameLength);

/// Auto Time: a normal reply shortens the timer period by one hundredth (not
/// below 5), an exception reply lengthens it by ten (not above 100). A stopped
/// timer (period 0) is left stopped, so a late reply never restarts polling.
void AdaptTimerPeriod(TestWindowServices& window, uint8_t replyFunctionCode);
