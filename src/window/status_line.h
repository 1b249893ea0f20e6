// The test window's status line and the exception notes of its Formated list:
// after every Display it looks at the connection (a packet taken since the last
// look, the open flags) and the send log, feeds the connection status, and
// hands the host the line and one note per send-log row.
//
// Window thread only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "modbus/connection_status.h"
#include "modbus/test_data.h"
#include "net/connection/net_simple.h"
#include "window/host.h"

namespace window {

class StatusLine {
public:
    /// `formatted` is the Formated list's control (null: no notes).
    explicit StatusLine(const Control* formatted) : formatted_(formatted) {}

    /// Looks at `connection` and `data`, then shows the line and the notes on
    /// `host`, each only when it changed. `timerRunning`: waiting requests go out again.
    void Show(WindowHost& host, const NetSimple& connection, const TestData& data, bool timerRunning);

    ConnectionStatus& Status() { return status_; }

private:
    void Watch(const NetSimple& connection, const TestData& data, bool timerRunning);

    const Control* formatted_;
    ConnectionStatus status_;
    int32_t seenPacket_ = 0;  // serial number of the connection's packet at the last look
    std::string shown_;
    uint64_t shownRevision_ = 0;  // the status's revision and seconds without reply when the line was made
    int32_t shownSeconds_ = 0;
    std::vector<std::string> notes_;
    bool shownOnce_ = false;
};

}  // namespace window
