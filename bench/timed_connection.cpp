#include "bench/timed_connection.h"

#include <iostream>
#include <string>

#include "bench/bench_support.h"

namespace bench {
namespace {
bool gAnyFailed = false;  // main thread only, like the connections
}  // namespace

bool AnyConnectionFailed() { return gAnyFailed; }

TimedConnection::TimedConnection() {
    SuppressErrorMsg = 1;
    Init(NET::SimpleClient);
}

void TimedConnection::Process() {
    if (Packet.PacketType != NET::SimplePartialDataPacket) return;
    received_ += Packet.BinDataLen;
    if (received_ >= static_cast<int64_t>(kReplyBytes)) roundTrips_ += 1;
}

void TimedConnection::StartOpen(std::string_view server, uint16_t port) {
    AsyncOpenUse = 1;
    AsyncOpenTimeOut = 1200;
    Open(server, port);
}

void TimedConnection::SendRequest(uint16_t tid) {
    const auto frame = ReadRegistersRequest(tid);
    Packet.BinData.Set(std::string_view(reinterpret_cast<const char*>(frame.data()), frame.size()));
    Packet.BinDataLen = static_cast<int32_t>(frame.size());
    received_ = 0;
    Send();
    if (Error != 0) failed_ = gAnyFailed = true;
}

bool TimedConnection::ReplyComplete() const { return received_ >= static_cast<int64_t>(kReplyBytes); }

void TimedConnection::ErrorTrap(std::string_view ErrorStr, std::string_view FunctionName) {
    failed_ = gAnyFailed = true;
    std::cerr << "connection error " << Error << ": " << ErrorStr << " (" << FunctionName << ")\n";
}

}  // namespace bench
