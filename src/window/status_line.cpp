#include "window/status_line.h"

#include <algorithm>

namespace window {

void StatusLine::Show(WindowHost& host, const NetSimple& connection, const TestData& data, bool timerRunning) {
    Watch(connection, data, timerRunning);
    const int32_t seconds = status_.SecondsWithoutReply();
    if (!shownOnce_ || status_.Revision() != shownRevision_ || seconds != shownSeconds_) {
        shownRevision_ = status_.Revision();
        shownSeconds_ = seconds;
        if (std::string text = status_.Text(); !shownOnce_ || text != shown_) {
            shown_ = std::move(text);
            host.ShowStatus(shown_);
        }
    }
    if (formatted_ == nullptr) return;
    std::vector<std::string> notes;
    notes.reserve(data.QComms.size());
    for (const CommsRow& row : data.QComms) notes.push_back(ExceptionNote(row));
    if (!shownOnce_ || notes != notes_) {
        notes_ = std::move(notes);
        host.ShowRowNotes(*formatted_, notes_);
    }
    shownOnce_ = true;
}

// Every packet the library hands over carries a new serial number, so a
// changed number is a packet taken since the last look. Opening shows in the
// flags only, and so do an open that did not wait and an end without a packet
// (an abort).
void StatusLine::Watch(const NetSimple& connection, const TestData& data, bool timerRunning) {
    const NET::SimplePacketType& packet = connection.Packet;
    if (packet.DebugPacketNumber_ != seenPacket_) {
        seenPacket_ = packet.DebugPacketNumber_;
        // An open that began and ended between two looks (the window shows at
        // most once a frame) was never seen connecting: it still has a target.
        const bool openEnded =
            packet.PacketType == NET::SimpleAsyncOpenSuccessful || packet.PacketType == NET::SimpleAsyncOpenFailed;
        if (openEnded && status_.Current() != ConnectionStatus::State::Connecting)
            status_.Connecting(data.Server.View(), data.Port);
        status_.TakePacket(packet.PacketType, packet.NetError, packet.WinSockError);
    }
    if (connection.AsyncOpenBusy != 0) {
        if (status_.Current() != ConnectionStatus::State::Connecting) status_.Connecting(data.Server.View(), data.Port);
    } else if (connection.OpenFlag == 0) {
        status_.NotOpen();
    } else if (status_.Current() != ConnectionStatus::State::Open) {  // opened without waiting
        status_.Connecting(data.Server.View(), data.Port);
        status_.TakePacket(NET::SimpleAsyncOpenSuccessful, 0, 0);
    }
    const auto waiting = [](const CommsRow& row) { return row.Recieved == 0; };
    const bool awaiting =
        std::ranges::any_of(data.QComms, [&](const CommsRow& row) { return waiting(row) && row.Sent; });
    status_.SeeRequests(awaiting, timerRunning && std::ranges::any_of(data.QComms, waiting));
}

}  // namespace window
