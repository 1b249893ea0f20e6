#include "modbus/connection_status.h"

#include <fmt/format.h>

#include "modbus/exception_names.h"
#include "modbus/send_log.h"
#include "net/connection/net_simple.h"
#include "netcore/net_codes.h"
#include "netcore/net_error_str.h"
#include "platform/clock.h"

namespace {

/// A time of day as "hh:mm:ss".
std::string ClockText(int32_t timeOfDay) { return SentTimeText(timeOfDay).substr(0, 8); }

uint16_t DataWord(const ModbusTcpFrame& frame, std::size_t n) {
    return static_cast<uint16_t>((frame.DataByte(n) << 8) | frame.DataByte(n + 1));
}

/// The exception code of an exception reply; a reply cut short of its code reads 0.
uint8_t ExceptionCode(const ModbusTcpFrame& reply) { return reply.LengthField() >= 3 ? reply.DataByte(1) : 0; }

}  // namespace

std::string ExceptionNote(const CommsRow& row) {
    const ModbusTcpFrame& reply = row.InModbusTcpFrame;
    if (!modbus::IsExceptionFunction(reply.FunctionCode())) return {};
    return "Exception " + modbus::DescribeException(ExceptionCode(reply));
}

std::string DescribeRequest(const ModbusTcpFrame& request) {
    const uint8_t function = request.FunctionCode();
    std::string what = fmt::format("request {} (function {}", request.TransactionIdentifier(), function);
    switch (function) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 15:
        case 16:
            what += fmt::format(", address {}, quantity {}", DataWord(request, 1), DataWord(request, 3));
            break;
        case 5:
        case 6:
            what += fmt::format(", address {}, value {}", DataWord(request, 1), DataWord(request, 3));
            break;
        default:
            break;
    }
    return what + ")";
}

void ConnectionStatus::Connecting(std::string_view server, uint16_t port) {
    ++revision_;
    target_ = fmt::format("{}:{}", server, port);
    state_ = State::Connecting;
    closedBy_ = ClosedBy::Nobody;
}

void ConnectionStatus::TakePacket(int32_t packetType, int32_t netError, int32_t winSockError) {
    ++revision_;
    const bool open = state_ == State::Open;
    switch (packetType) {
        case NET::SimpleAsyncOpenSuccessful:
            state_ = State::Open;
            openedAt_ = platform::ClockTime();
            failure_.clear();
            closeError_.clear();
            waitingSince_ = 0;
            break;
        case NET::SimpleAsyncOpenFailed:
            Failed(netError, winSockError);
            break;
        case NET::SimpleRemoteClosed:
            if (!open) break;
            state_ = State::Closed;
            closedBy_ = ClosedBy::Peer;
            closeError_ = winSockError != 0 ? NetErrorStr(winSockError) : std::string();
            break;
        case NET::SimpleLocalClosed:
        case NET::SimpleIdleConnection:
            if (!open) break;
            state_ = State::Closed;
            closedBy_ = packetType == NET::SimpleIdleConnection ? ClosedBy::Idle : ClosedBy::Window;
            break;
        default:
            break;
    }
}

void ConnectionStatus::Failed(int32_t netError, int32_t winSockError) {
    state_ = State::Failed;
    // The sockets code says why (refused, unreachable, timed out); without one the library's code does.
    failure_ = NetErrorStr(winSockError != 0 ? winSockError : (netError != 0 ? netError : NET::kOpenTimeout));
}

void ConnectionStatus::NotOpen() {
    if (state_ == State::Open || state_ == State::Connecting) ++revision_;
    if (state_ == State::Open) {
        state_ = State::Closed;
        closedBy_ = ClosedBy::Window;
    } else if (state_ == State::Connecting) {
        state_ = failure_.empty() ? State::Closed : State::Failed;
    }
}

void ConnectionStatus::SeeRequests(bool awaitingReplies, bool willRetry) {
    const int32_t waitingSince = waitingSince_;
    const bool retried = willRetry_;
    willRetry_ = willRetry;
    if (!awaitingReplies || state_ != State::Open)
        waitingSince_ = 0;
    else if (waitingSince_ == 0)
        waitingSince_ = platform::ClockTime();
    if (waitingSince_ != waitingSince || willRetry_ != retried) ++revision_;
}

void ConnectionStatus::TookReply(const CommsRow& row) {
    if (waitingSince_ != 0) ++revision_;
    waitingSince_ = 0;  // the server answers; whatever still waits counts from the next look
    const ModbusTcpFrame& reply = row.InModbusTcpFrame;
    if (!modbus::IsExceptionFunction(reply.FunctionCode())) return;
    ++revision_;
    exception_ = SeenException{ExceptionCode(reply), platform::ClockTime(), DescribeRequest(row.OutModbusTcpFrame)};
}

int32_t ConnectionStatus::SecondsWithoutReply() const {
    if (state_ != State::Open || waitingSince_ == 0) return 0;
    return HundredthsSince(waitingSince_, platform::ClockTime()) / 100;
}

std::string ConnectionStatus::ConnectionText() const {
    switch (state_) {
        case State::Open: {
            std::string text = target_.empty() ? "Open" : "Open to " + target_;
            text += " since " + ClockText(openedAt_);
            if (int32_t silent = SecondsWithoutReply(); silent > 0) text += fmt::format(", no reply for {} s", silent);
            return text;
        }
        case State::Connecting:
            if (failure_.empty()) return "Connecting to " + target_;
            return target_ + " refused or unreachable, retrying: " + failure_;
        case State::Failed:
            return target_ + " refused or unreachable" + (willRetry_ ? ", retrying: " : ": ") + failure_;
        case State::Closed:
            break;
    }
    switch (closedBy_) {
        case ClosedBy::Peer:
            return "Closed by " + target_ + (closeError_.empty() ? "" : ": " + closeError_);
        case ClosedBy::Idle:
            return "Closed: the connection was idle";
        default:
            return "Closed";
    }
}

std::string ConnectionStatus::ExceptionText() const {
    if (!exception_) return {};
    return fmt::format("last exception {} at {}, answering {}", modbus::DescribeException(exception_->code),
                       ClockText(exception_->at), exception_->request);
}

std::string ConnectionStatus::Text() const {
    std::string text = ConnectionText();
    if (std::string exception = ExceptionText(); !exception.empty()) text += "; " + exception;
    return text;
}
