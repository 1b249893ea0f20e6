// The test window's status line: the state of its connection (closed,
// connecting, open since when, refused or unreachable and retrying, no reply
// for a while) and the last exception reply, named, with the request it
// answered. The window feeds it what it sees of the connection after each
// event (the packets of types 5 to 9 and the open flags) and every reply that
// reply processing pairs with its request; the texts read the clock, so "open
// since" and "no reply for N s" follow a ManualClock in tests.
//
// Window thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "modbus/test_data.h"

/// The exception note of a send-log row whose latest reply is an exception
/// ("Exception 02 Illegal Data Address"), or "" for any other row.
std::string ExceptionNote(const CommsRow& row);

/// What a request asked for, for messages: "request 14 (function 03, address 30000, quantity 1)".
std::string DescribeRequest(const ModbusTcpFrame& request);

class ConnectionStatus {
public:
    enum class State { Closed, Connecting, Open, Failed };
    enum class ClosedBy { Nobody, Window, Peer, Idle };

    /// An open of `server`:`port` is under way (again, after a failure).
    void Connecting(std::string_view server, uint16_t port);
    /// A packet the connection took: 7 open, 8 open failed, 5 closed by the
    /// peer, 6 closed here, 9 idle (the window aborts). Others change nothing.
    void TakePacket(int32_t packetType, int32_t netError, int32_t winSockError);
    /// The connection is neither open nor opening although no packet said so
    /// (an abort, a send that found it gone): an open or opening state ends.
    void NotOpen();
    /// After every event: whether sent requests await their replies, and
    /// whether waiting requests will make the window open again.
    void SeeRequests(bool awaitingReplies, bool willRetry);
    /// Reply processing paired a reply with its request (`row` holds both).
    void TookReply(const CommsRow& row);

    State Current() const { return state_; }
    /// The connection's part of the line.
    std::string ConnectionText() const;
    /// "last exception 02 Illegal Data Address at hh:mm:ss, answering request ...", or "".
    std::string ExceptionText() const;
    /// The whole line: the connection's part, then the exception's.
    std::string Text() const;
    /// Whole seconds since sent requests last heard from the server; 0 when nothing waits.
    int32_t SecondsWithoutReply() const;
    /// Moves on whenever the line may read differently, except for the seconds
    /// without reply, which only the clock moves: a window that saw the same
    /// revision and seconds need not make the line again.
    uint64_t Revision() const { return revision_; }

private:
    struct SeenException {
        uint8_t code = 0;
        int32_t at = 0;
        std::string request;
    };

    void Failed(int32_t netError, int32_t winSockError);

    State state_ = State::Closed;
    ClosedBy closedBy_ = ClosedBy::Nobody;
    std::string target_;    // "host:port" of the latest open
    int32_t openedAt_ = 0;  // time of day of the open
    std::string failure_;   // error text of the latest failed open; "" once open
    std::string closeError_;
    bool willRetry_ = false;
    int32_t waitingSince_ = 0;  // time of day from which sent requests went unanswered; 0 = none
    std::optional<SeenException> exception_;
    uint64_t revision_ = 0;
};
