// The transmission pass that every tick of the test window's timer runs, and
// SendPacket, which puts one send-log row on the wire through the connection.
//
// Window thread only. The connection's Send must not call Process before it
// returns (replies arrive as later window events).
#pragma once

#include "modbus/test_data.h"
#include "net/connection/net_simple.h"

/// Hundredths an asynchronous open may take, and of silence before the
/// connection counts as idle.
constexpr int32_t kAsyncOpenTimeOut = 1200;
constexpr int32_t kInActiveTimeout = 4500;
/// Longest pause after a send, in milliseconds (the window admits 0 .. 9999);
/// a value from the settings file outside that range is held to it.
constexpr int32_t kLongestAfterSendPause = 9999;

/// Starts an asynchronous open of `connection` to `Server`:`Port` unless it is
/// open or opening, or `Port` is 0. The Open button does the same.
void OpenIfClosed(TestData& data, NetSimple& connection);

/// Transmits `row` when the connection is open: REQ line, header into wire
/// order, Send, requests-per-second count, pause, header back, row marked sent.
/// When the connection is closed it starts an open and sends nothing.
void SendPacket(TestData& data, NetSimple& connection, CommsRow& row);

/// Sends every unanswered row in ascending order of transaction identifier,
/// then orders the log for display (latest send first).
void TransmissionPass(TestData& data, NetSimple& connection);
