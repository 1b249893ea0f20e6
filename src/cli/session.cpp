#include "cli/session.h"

#include <algorithm>
#include <csignal>

#include "modbus/exception_names.h"
#include "modbus/send_log.h"
#include "modbus/transmission.h"
#include "netcore/net_error_str.h"
#include "platform/threads.h"

namespace cli {
namespace {

volatile std::sig_atomic_t interrupted = 0;

/// Requests in the send log at once: well below the position from which
/// reply processing cuts answered rows, so none is cut before it is taken.
constexpr std::size_t kBatch = 16;
/// Longest single wait on the event queue: a signal does not end the wait,
/// so an interrupt is seen within this time.
constexpr std::chrono::milliseconds kLongestWait{100};

using Clock = std::chrono::steady_clock;

/// Puts the reply's PDU into `pdu` (reusing its storage).
void CopyReplyPdu(const ModbusTcpFrame& frame, std::vector<uint8_t>& pdu) {
    const auto length = static_cast<std::size_t>(
        std::clamp<int32_t>(frame.LengthField() - 1, 0, static_cast<int32_t>(ModbusTcpFrame::kSize - 7)));
    const auto bytes = frame.Bytes().subspan(7, length);  // after the unit identifier
    pdu.assign(bytes.begin(), bytes.end());
}

}  // namespace

void Interrupt() { interrupted = 1; }
bool Interrupted() { return interrupted != 0; }

Session::Session(SessionSettings settings, const ConnectionMaker& make) : settings_(std::move(settings)) {
    data_.Server = settings_.server;
    data_.Port = settings_.port;
    data_.WindowShown = false;  // values are read from the replies in the log; no list is shown
    TestWindowServices& services = *this;
    connection_ = make ? make(data_, services) : std::make_unique<MyC>(data_, services);
    connection_->SuppressErrorMsg = 1;  // failures come back as results, not boxes
    connection_->Init(NET::SimpleClient);
}

Session::~Session() {
    if (connection_->OpenFlag != 0 || connection_->AsyncOpenBusy != 0) connection_->Close();
    Pump();
    connection_->Kill();
}

std::string Session::Where() const { return settings_.server + ":" + std::to_string(settings_.port); }

void Session::Pump() {
    while (auto event = platform::TakeEvent()) connection_->TakeEvent(*event);
}

template <class Done>
bool Session::RunUntil(Clock::time_point deadline, Done done) {
    for (;;) {
        Pump();
        if (done()) return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || Interrupted()) return false;
        // A futex wait, woken by the post itself: no eventfd is written, polled and drained per reply.
        if (auto event = platform::WaitEvent(std::min(left, kLongestWait))) connection_->TakeEvent(*event);
    }
}

void Session::Idle(std::chrono::milliseconds time) {
    RunUntil(Clock::now() + time, [] { return false; });
}

bool Session::Connect(std::string& error) {
    MyC& c = *connection_;
    if (c.OpenFlag != 0) return true;
    const auto deadline = Clock::now() + std::chrono::milliseconds(settings_.timeoutMs);
    if (c.AsyncOpenBusy == 0) {
        c.AsyncOpenUse = 1;
        c.AsyncOpenTimeOut = std::max(1, settings_.timeoutMs / 10);  // hundredths
        c.InActiveTimeout = 0;                                       // a slow poll is no idle connection
        c.Open(settings_.server, settings_.port);
    }
    RunUntil(deadline, [&] { return c.OpenFlag != 0 || c.AsyncOpenBusy == 0; });
    if (c.OpenFlag != 0) return true;
    if (c.AsyncOpenBusy != 0) {
        c.Abort();
        error = "no connection to " + Where() + " within " + std::to_string(settings_.timeoutMs) + " ms" +
                (Interrupted() ? " (interrupted)" : "");
        return false;
    }
    const int32_t code = c.WinSockError != 0 ? c.WinSockError : c.Error;
    error = "no connection to " + Where() + ": error " + std::to_string(code) + " " + NetErrorStr(code);
    return false;
}

void Session::Enter(const Request& request, std::size_t index, Pending& pending) {
    CommsRow row = NewRequest(data_);
    std::vector<uint8_t>& pdu = pdu_;
    request.PutPdu(pdu);
    ModbusTcpFrame& frame = row.OutModbusTcpFrame;
    frame.SetLengthField(static_cast<int16_t>(pdu.size() + 1));  // unit identifier and PDU
    frame.SetFunctionCode(pdu[0]);
    std::copy(pdu.begin() + 1, pdu.end(), frame.DataBytes().begin());
    // Requests of one exchange differ, so none waits as a duplicate of another.
    if (EnterRequest(data_, row)) pending.emplace_back(frame.TransactionIdentifier(), index);
}

void Session::Harvest(Pending& pending, std::vector<Answer>& answers) {
    auto& rows = data_.QComms;
    for (auto row = rows.begin(); row != rows.end();) {
        const uint16_t identifier = row->OutModbusTcpFrame.TransactionIdentifier();
        const auto found =
            std::find_if(pending.begin(), pending.end(), [&](const auto& entry) { return entry.first == identifier; });
        const ModbusTcpFrame& reply = row->InModbusTcpFrame;
        // Reply processing marks a reply with the request's function code as
        // answered and keeps an exception reply in the row, leaving it waiting.
        const bool exception = modbus::IsExceptionFunction(reply.FunctionCode());
        if (found == pending.end() || (row->Recieved != 1 && !exception)) {
            ++row;
            continue;
        }
        Answer& answer = answers[found->second];
        answer.kind = row->Recieved == 1 ? Answer::Kind::Reply : Answer::Kind::Exception;
        CopyReplyPdu(reply, answer.pdu);
        answer.exception = reply.DataByte(1);
        pending.erase(found);
        row = rows.erase(row);
    }
}

bool Session::ExchangeBatch(const std::vector<Request>& requests, std::size_t first, std::size_t count,
                            std::vector<Answer>& answers, std::string& error) {
    Pending& pending = pending_;
    pending.clear();
    for (std::size_t i = first; i < first + count; ++i) Enter(requests[i], i, pending);
    for (int32_t sends = 0; !pending.empty(); ++sends) {
        if (sends > settings_.retries) {
            error = "no reply from " + Where() + " to " + requests[pending.begin()->second].what + " within " +
                    std::to_string(settings_.timeoutMs) + " ms, sent " + std::to_string(sends) + " times";
            break;
        }
        if (!Connect(error)) break;
        TransmissionPass(data_, *connection_);
        CutRawList(data_);
        RunUntil(Clock::now() + std::chrono::milliseconds(settings_.timeoutMs), [&] {
            Harvest(pending, answers);
            return pending.empty();
        });
        if (!pending.empty() && Interrupted()) error = "interrupted";
        if (!error.empty()) break;
    }
    if (pending.empty()) return true;
    ClearSendLog(data_);  // nothing of a failed exchange goes out again
    return false;
}

bool Session::Exchange(const std::vector<Request>& requests, std::vector<Answer>& answers, std::string& error) {
    answers.resize(requests.size());
    for (Answer& answer : answers) {  // each keeps its reply's room for the next poll
        answer.kind = Answer::Kind::NoReply;
        answer.pdu.clear();
        answer.exception = 0;
    }
    for (std::size_t first = 0; first < requests.size(); first += kBatch) {
        if (!ExchangeBatch(requests, first, std::min(kBatch, requests.size() - first), answers, error)) return false;
    }
    return true;
}

}  // namespace cli
