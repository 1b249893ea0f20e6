#include "modbus/transmission.h"

#include <algorithm>
#include <cstring>

#include "modbus/send_log.h"
#include "platform/clock.h"

void OpenIfClosed(TestData& data, NetSimple& connection) {
    if (connection.OpenFlag != 0 || connection.AsyncOpenBusy != 0) return;
    if (data.Port == 0) return;  // no server listens on port 0; the Open button says so
    connection.AsyncOpenUse = 1;
    connection.AsyncOpenTimeOut = kAsyncOpenTimeOut;
    connection.InActiveTimeout = kInActiveTimeout;
    connection.Open(data.Server.View(), data.Port);
}

namespace {

/// Frame length from the length field, held to the frame area.
std::size_t FrameLength(const ModbusTcpFrame& frame) {
    return static_cast<std::size_t>(
        std::clamp<int32_t>(frame.LengthField() + ModbusTcpFrame::kLengthFieldOffset, 0, ModbusTcpFrame::kSize));
}

void HandToConnection(NetSimple& connection, const ModbusTcpFrame& frame, std::size_t length) {
    connection.Packet.BinData.Write(
        0, std::string_view(reinterpret_cast<const char*>(frame.Bytes().data()), ModbusTcpFrame::kSize));
    connection.Packet.BinDataLen = static_cast<int32_t>(length);
    connection.Send();
}

}  // namespace

void SendPacket(TestData& data, NetSimple& connection, CommsRow& row) {
    OpenIfClosed(data, connection);
    if (connection.OpenFlag == 0 || connection.AsyncOpenBusy != 0) return;

    ModbusTcpFrame& frame = row.OutModbusTcpFrame;
    std::size_t length = FrameLength(frame);
    const int32_t now = platform::ClockTime();  // one reading for the line and the count
    if (data.WindowShown) AddRawLine(data, FrameLine(now, " REQ ", frame.Bytes().first(length)));

    std::memcpy(data.OutModbusTcpFrameBytes.Data(), frame.Bytes().data(), 6);
    frame.SwapHeaderWords();
    HandToConnection(connection, frame, length);
    CountTransmission(data, now);
    int32_t pause = std::clamp(data.AfterSendPauseValue, 0, kLongestAfterSendPause);
    if (pause > 0) platform::TheClock().Sleep(pause);
    std::memcpy(frame.Bytes().data(), data.OutModbusTcpFrameBytes.Data(), 6);

    row.Sent = 1;
    row.SentTime = pause > 0 ? platform::ClockTime() : now;
    if (data.WindowShown) row.SentTimeString = SentTimeText(row.SentTime);
    ++row.SendCount;
}

void TransmissionPass(TestData& data, NetSimple& connection) {
    SortForSending(data.QComms);
    for (std::size_t i = 0; i < data.QComms.size(); ++i) {
        if (data.QComms[i].Recieved == 0) SendPacket(data, connection, data.QComms[i]);
    }
    SortForDisplay(data.QComms);
}
