// Fuzzes the test window's reply processing: MyC::Process and its frame loop,
// fed with the connection's events against a send log holding a few waiting
// requests of the tool's own catalogue.
//
// The first input byte picks one of two runs:
//  - events: a sequence of arbitrary events (data on one of two connections,
//    open reports, idle reports, whole-packet events, unknown packet types,
//    timer ticks, clock moves, new requests); what each data event may add is
//    checked as it happens, the window's values once at the end;
//  - splits: one stream of back-to-back frames (length fields made plausible)
//    handed to one connection whole and to a twin connection cut into pieces
//    where the input says; both windows must end up exactly alike, as TCP may
//    cut a stream anywhere.
// A broken invariant stops the run with __builtin_trap, which libFuzzer
// reports as a crash.
//
// Kept cheap so a run reaches millions of inputs: the worlds live in static
// storage, are made anew in place and end with their input; a received packet
// overwrites only the bytes it carries (the processing reads BinDataLen bytes;
// the rest of the buffer is kept blank as the engine leaves it, without
// refilling 16 KB).
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "modbus/requests.h"
#include "modbus/send_log.h"
#include "modbus/test_connection.h"
#include "modbus/transmission.h"
#include "platform/clock.h"

namespace {

void Require(bool holds) {
    if (!holds) __builtin_trap();
}

/// Longest Modbus TCP frame; a kept tail is always shorter.
constexpr std::size_t kLongestFrame = kLongestLengthField + ModbusTcpFrame::kLengthFieldOffset;
/// Shortest frame the loop takes in: header, unit identifier and function code.
constexpr std::size_t kShortestFrame = kShortestLengthField + ModbusTcpFrame::kLengthFieldOffset;
/// Largest value two packed BCD bytes decode to (nibbles above 9 count as they are).
constexpr int32_t kLargestBcd = 16665;
constexpr std::size_t kLongestStream = 4096;

class Window : public TestWindowServices {
public:
    int32_t TimerPeriod() const override { return period; }
    void SetTimerPeriod(int32_t hundredths) override { period = hundredths; }
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    void Refresh() override {}

    int32_t period = kAutoTimeFastest;
    std::vector<std::string> messages;
};

/// The window's connection with the socket engine left out: Open reports
/// nothing, Send only counts, as the engine's calls would return at once.
class Connection : public MyC {
public:
    using MyC::MyC;
    void Open(std::string_view, uint16_t) override { AsyncOpenBusy = 1; }
    void Send() override { ++sends; }
    void Abort() override {
        OpenFlag = 0;
        AsyncOpenBusy = 0;
    }

    void Connected() {
        OpenFlag = 1;
        AsyncOpenBusy = 0;
        Event(NET::SimpleAsyncOpenSuccessful);
    }
    void Receive(std::span<const uint8_t> bytes, int32_t sockID, int32_t packetType = NET::SimplePartialDataPacket) {
        Packet.PacketType = packetType;
        Packet.SockID = sockID;
        char* buffer = Packet.BinData.Data();
        if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
        // Blank what an earlier packet or a sent frame left beyond this one.
        if (written_ > bytes.size()) std::memset(buffer + bytes.size(), ' ', written_ - bytes.size());
        written_ = std::max(bytes.size(), ModbusTcpFrame::kSize);
        Packet.BinDataLen = static_cast<int32_t>(bytes.size());
        Process();
    }
    void Event(int32_t packetType) {
        Packet.PacketType = packetType;
        Packet.BinDataLen = 0;
        Process();
    }

    int sends = 0;

private:
    std::size_t written_ = ModbusTcpFrame::kSize;  // bytes of the buffer that may not be blank
};

/// The window's data, its connection, and how many send-log rows were ever entered.
struct World {
    TestData data;
    Window window;
    Connection connection{data, window};
    std::size_t rowsEntered = 0;
};

using Routine = void (*)(TestData&);
constexpr std::array<Routine, 7> kRoutines{rRequestInputs,   rSendOutputs, rSendControlRelays, rRequestAllCounters,
                                           rSendAllCounters, rRequestVMem, rSendVMem};

void AddRequest(World& world, std::size_t routine) {
    std::size_t before = world.data.QComms.size();
    kRoutines[routine % kRoutines.size()](world.data);
    world.rowsEntered += world.data.QComms.size() - before;
}

/// What both runs start from: connected, a few requests sent once and waiting.
struct Start {
    int16_t vmemAddr = 0;
    int32_t autoTime = 0;
    int32_t period = kAutoTimeFastest;
    std::vector<std::size_t> routines;

    static Start From(FuzzedDataProvider& input) {
        Start start;
        start.vmemAddr = input.ConsumeIntegral<int16_t>();
        start.autoTime = input.ConsumeBool() ? 1 : 0;
        start.period = input.ConsumeIntegralInRange<int32_t>(kAutoTimeFastest, kAutoTimeSlowest);
        auto count = input.ConsumeIntegralInRange<std::size_t>(1, 6);
        for (std::size_t i = 0; i < count; ++i) start.routines.push_back(input.ConsumeIntegral<uint8_t>());
        return start;
    }
    void ApplyTo(World& world) const {
        world.data.Server = "127.0.0.1";
        world.data.Port = 502;
        world.data.VMemAddr = vmemAddr;
        world.data.AutoTime = autoTime;
        world.window.period = period;
        OpenIfClosed(world.data, world.connection);
        world.connection.Connected();
        for (std::size_t routine : routines) AddRequest(world, routine);
        TransmissionPass(world.data, world.connection);
        world.data.QReturn.clear();
    }
};

/// What must hold between events. `afterProcess`: the send log was just cut.
void CheckWorld(const World& world, bool afterProcess) {
    const TestData& data = world.data;
    Require(world.connection.PendingBytes() < kLongestFrame);
    Require(data.QComms.size() <= world.rowsEntered);  // processing never adds a row
    Require(data.QReturn.size() <= kRawListLines);
    std::set<uint16_t> identifiers;
    for (std::size_t position = 1; position <= data.QComms.size(); ++position) {
        const CommsRow& row = data.QComms[position - 1];
        Require(identifiers.insert(row.OutModbusTcpFrame.TransactionIdentifier()).second);
        Require(row.Recieved == 0 || row.Recieved == 1);
        if (row.Recieved == 1) Require(row.InModbusTcpFrame.FunctionCode() == row.OutModbusTcpFrame.FunctionCode());
        if (afterProcess && position >= kSendLogCutPosition) Require(row.Recieved == 0);
    }
    for (std::size_t k = 1; k <= data.Inputs.Size(); ++k) {
        Require(data.Inputs[k] == 0 || (k <= 20 && data.Inputs[k] == 1));
    }
    for (int16_t value : data.CounterCurrentValues) Require(value >= 0 && value <= kLargestBcd);
    Require(data.VMemValue >= 0 && data.VMemValue <= kLargestBcd);
    if (data.AutoTime != 0) {
        Require(world.window.period >= kAutoTimeFastest && world.window.period <= kAutoTimeSlowest);
    }
}

/// A data event: the raw list grows by at most one line per frame it can hold,
/// and one more for bytes dropped as no frame (shown once, then the rest goes);
/// it never holds more lines than a tick's cut keeps.
void ReceiveChecked(World& world, std::span<const uint8_t> bytes, int32_t sockID) {
    std::size_t linesBefore = world.data.QReturn.size();
    std::size_t available = world.connection.PendingBytes() + bytes.size();
    world.connection.Receive(bytes, sockID);
    Require(world.data.QReturn.size() >= linesBefore);
    Require(world.data.QReturn.size() - linesBefore <= available / kShortestFrame + 1);
    Require(world.data.QReturn.size() <= kRawListLines);
}

/// Static storage for the worlds, made anew in place for each input.
std::array<std::optional<World>, 2> worlds;

World& FreshWorld(std::size_t which) { return worlds[which].emplace(); }

/// Ends an input's worlds with it, so that an input frees what it allocated:
/// libFuzzer runs an input a second time, to look for a leak, whenever it
/// allocated more than it freed.
struct WorldsEnd {
    WorldsEnd() = default;
    WorldsEnd(const WorldsEnd&) = delete;
    WorldsEnd& operator=(const WorldsEnd&) = delete;
    ~WorldsEnd() {
        for (auto& world : worlds) world.reset();
    }
};

void RunEvents(FuzzedDataProvider& input, platform::ManualClock& clock) {
    World& world = FreshWorld(0);
    Start::From(input).ApplyTo(world);
    bool processed = true;
    while (input.remaining_bytes() > 0) {
        processed = true;
        switch (input.ConsumeIntegralInRange(0, 9)) {
            case 0:
            case 1:
            case 2: {
                int32_t sockID = input.ConsumeBool() ? 1 : 2;
                std::string bytes = input.ConsumeRandomLengthString(NET::MaxBinData);
                ReceiveChecked(world, std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), sockID);
                break;
            }
            case 3:
                world.connection.Connected();
                break;
            case 4:
                world.connection.Event(NET::SimpleIdleConnection);
                break;
            case 5: {
                std::string bytes = input.ConsumeRandomLengthString(64);
                world.connection.Receive(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 1,
                                         NET::SimpleWholeDataPacket);
                break;
            }
            case 6:
                world.connection.Event(input.ConsumeIntegral<int32_t>());
                break;
            case 7:  // a timer tick: send the waiting rows, keep the raw list short
                TransmissionPass(world.data, world.connection);
                CutRawList(world.data);
                Require(world.data.QReturn.size() <= kRawListLines);
                processed = false;
                break;
            case 8:
                clock.Advance(input.ConsumeIntegralInRange<int64_t>(0, 2 * platform::kHundredthsPerDay));
                processed = false;
                break;
            default:
                AddRequest(world, input.ConsumeIntegral<uint8_t>());
                processed = false;
                break;
        }
        Require(world.connection.PendingBytes() < kLongestFrame);
    }
    CheckWorld(world, processed);
}

/// Turns arbitrary bytes into back-to-back frames: a length field outside
/// 2 .. 254 is brought into it, so no frame ends the stream as garbage would.
/// The last frame may be cut short.
std::vector<uint8_t> FrameStream(std::vector<uint8_t> bytes) {
    std::size_t at = 0;
    while (at + 6 <= bytes.size()) {
        auto lengthField = static_cast<int32_t>((bytes[at + 4] << 8) | bytes[at + 5]);
        if (lengthField < kShortestLengthField || lengthField > kLongestLengthField) {
            lengthField = kShortestLengthField + lengthField % (kLongestLengthField - kShortestLengthField + 1);
            bytes[at + 4] = 0;
            bytes[at + 5] = static_cast<uint8_t>(lengthField);
        }
        at += static_cast<std::size_t>(lengthField + ModbusTcpFrame::kLengthFieldOffset);
    }
    return bytes;
}

bool SameRow(const CommsRow& a, const CommsRow& b) {
    return a.Sent == b.Sent && a.SentTime == b.SentTime && a.SendCount == b.SendCount && a.Recieved == b.Recieved &&
           a.OutModbusTcpFrame == b.OutModbusTcpFrame && a.InModbusTcpFrame == b.InModbusTcpFrame;
}

void RequireAlike(const World& a, const World& b) {
    Require(a.connection.PendingBytes() == b.connection.PendingBytes());
    Require(
        std::equal(a.data.QComms.begin(), a.data.QComms.end(), b.data.QComms.begin(), b.data.QComms.end(), SameRow));
    Require(std::equal(
        a.data.QReturn.begin(), a.data.QReturn.end(), b.data.QReturn.begin(), b.data.QReturn.end(),
        [](const ReturnRow& x, const ReturnRow& y) { return x.ReturnString.Whole() == y.ReturnString.Whole(); }));
    Require(a.data.Inputs == b.data.Inputs);
    Require(a.data.CounterCurrentValues == b.data.CounterCurrentValues);
    Require(a.data.VMemValue == b.data.VMemValue);
    Require(a.data.LInDataBytes == b.data.LInDataBytes);
    Require(a.window.period == b.window.period);
    Require(a.window.messages == b.window.messages);
}

void RunSplits(FuzzedDataProvider& input) {
    Start start = Start::From(input);
    World& whole = FreshWorld(0);
    World& pieces = FreshWorld(1);
    start.ApplyTo(whole);
    start.ApplyTo(pieces);
    // Fewer rows than the cut position, so cutting after each event changes nothing.
    Require(whole.data.QComms.size() < kSendLogCutPosition);

    auto length = input.ConsumeIntegralInRange<std::size_t>(0, kLongestStream);
    std::vector<uint8_t> stream = FrameStream(input.ConsumeBytes<uint8_t>(length));
    ReceiveChecked(whole, stream, 1);
    std::span<const uint8_t> rest(stream);
    while (!rest.empty()) {
        std::size_t piece =
            input.remaining_bytes() > 0 ? input.ConsumeIntegralInRange<std::size_t>(1, rest.size()) : rest.size();
        ReceiveChecked(pieces, rest.first(piece), 1);
        Require(pieces.connection.PendingBytes() < kLongestFrame);
        rest = rest.subspan(piece);
    }
    CheckWorld(whole, true);
    CheckWorld(pieces, true);
    RequireAlike(whole, pieces);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    platform::ManualClock clock{14 * 360000 + 5 * 6000 + 1};
    platform::ScopedClock scopedClock{clock};
    WorldsEnd worldsEnd;
    FuzzedDataProvider input(bytes, size);
    if (input.ConsumeBool()) {
        RunSplits(input);
    } else {
        RunEvents(input, clock);
    }
    return 0;
}
