#include "modbus/test_connection.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "modbus/send_log.h"
#include "platform/clock.h"
#include "platform/thread_check.h"

namespace {

constexpr uint8_t kBlank = 0x20;
constexpr std::size_t kLengthFieldAt = 4;  // in the wire header
constexpr std::size_t kHeaderWords = 6;

int32_t WireLengthField(std::span<const uint8_t> bytes) {
    return static_cast<int16_t>((bytes[kLengthFieldAt] << 8) | bytes[kLengthFieldAt + 1]);
}

bool PlausibleLengthField(int32_t lengthField) {
    return lengthField >= kShortestLengthField && lengthField <= kLongestLengthField;
}

/// The raw-list line for received bytes that are not a frame, header words
/// shown in host order as on every other REC line.
std::string DroppedLine(std::span<const uint8_t> bytes) {
    std::vector<uint8_t> shown(bytes.begin(), bytes.end());
    for (std::size_t i = 0; i + 1 < std::min(shown.size(), kHeaderWords); i += 2) std::swap(shown[i], shown[i + 1]);
    return FrameLine(platform::ClockTime(), " REC ", shown);
}

/// The first row for `identifier` in the log's current order.
std::vector<CommsRow>::iterator FindRequest(std::vector<CommsRow>& rows, uint16_t identifier) {
    return std::find_if(rows.begin(), rows.end(), [&](const CommsRow& row) {
        return row.OutModbusTcpFrame.TransactionIdentifier() == identifier;
    });
}

}  // namespace

void MyC::Process() {
    BRACKWATER_ASSERT_THREAD(Connection_.NotifyThread, "the window thread");
    switch (Packet.PacketType) {
        case NET::SimpleAsyncOpenSuccessful:
            DropTail();
            AddRawLine(data_, HourMinuteText(platform::ClockTime()) + " Open Successful");
            break;
        case NET::SimplePartialDataPacket:
            TakeInData();
            break;
        case NET::SimpleWholeDataPacket:
            window_.ShowMessage("NET:SimpleWholeDataPacket|" + std::string(Packet.Data()));
            break;
        case NET::SimpleIdleConnection:
            DropTail();
            Abort();
            window_.ShowMessage("Our Connection was idle");
            break;
        default:
            break;
    }
    CutSendLog(data_);
    NetSimple::Process();
}

void MyC::TakeInData() {
    // A reply that TCP delivered in pieces continues the kept tail, but only on
    // the connection the tail came from. Without a tail the frames are read
    // from the packet itself: nothing taking a frame sends on this connection.
    const std::string_view bytes = Packet.Data();
    std::span<const uint8_t> rest(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    std::vector<uint8_t> joined;
    if (!tail_.empty() && tailSockID_ == Packet.SockID) {
        joined = std::move(tail_);
        joined.insert(joined.end(), rest.begin(), rest.end());
        rest = joined;
    }
    tail_.clear();

    while (!rest.empty()) {
        if (rest.size() < kHeaderWords) {  // the length field has not arrived yet
            tail_.assign(rest.begin(), rest.end());
            break;
        }
        int32_t lengthField = WireLengthField(rest);
        if (!PlausibleLengthField(lengthField)) {  // not a Modbus TCP frame: shown, then dropped
            AddRawLine(data_, DroppedLine(rest));
            break;
        }
        auto frameLength = static_cast<std::size_t>(lengthField + ModbusTcpFrame::kLengthFieldOffset);
        if (frameLength > rest.size()) {
            tail_.assign(rest.begin(), rest.end());
            break;
        }
        TakeInFrame(rest.first(frameLength));
        rest = rest.subspan(frameLength);
    }
    tailSockID_ = Packet.SockID;
    Packet.BinDataLen = 0;
    window_.Refresh();
}

void MyC::TakeInFrame(std::span<const uint8_t> frame) {
    ModbusTcpFrame reply;
    reply.Load(frame, kBlank);
    std::memcpy(data_.InModbusTcpFrameBytes.Data(), frame.data(), kHeaderWords);
    reply.SwapHeaderWords();
    const int32_t receivedAt = platform::ClockTime();
    auto showReceived = [&] {
        if (data_.WindowShown) AddRawLine(data_, FrameLine(receivedAt, " REC ", reply.Bytes().first(frame.size())));
    };

    auto found = FindRequest(data_.QComms, reply.TransactionIdentifier());
    // Shown, nothing applied: a frame of another protocol than Modbus (whose
    // identifier is 0), or a reply whose row was cleared or cut.
    if (reply.ProtocolIdentifier() != 0 || found == data_.QComms.end()) {
        showReceived();
        return;
    }
    if (found->Recieved == 1) return;  // a further reply to an answered request

    // The row is updated where it stands (nothing below touches the send log)
    // and then moved to its place by identifier.
    CommsRow& row = *found;
    row.InModbusTcpFrame = reply;
    showReceived();
    if (reply.FunctionCode() == row.OutModbusTcpFrame.FunctionCode()) row.Recieved = 1;
    if (data_.WindowShown) {
        std::ranges::copy(row.OutModbusTcpFrame.DataBytes(), data_.LOutDataBytes.begin());
        std::ranges::copy(row.InModbusTcpFrame.DataBytes(), data_.LInDataBytes.begin());
        ApplyReply(data_, row, frame.size());
    }
    window_.TookReply(row);
    RepositionByIdentifier(data_.QComms, static_cast<std::size_t>(found - data_.QComms.begin()));
    if (data_.AutoTime != 0) AdaptTimerPeriod(window_, reply.FunctionCode());
}

void AdaptTimerPeriod(TestWindowServices& window, uint8_t replyFunctionCode) {
    if (window.TimerPeriod() == 0) return;  // a stopped timer stays stopped: only the user starts it
    if (replyFunctionCode < 0x80) {
        window.SetTimerPeriod(std::max(window.TimerPeriod() - 1, kAutoTimeFastest));
    } else {
        window.SetTimerPeriod(std::min(window.TimerPeriod() + 10, kAutoTimeSlowest));
    }
}
