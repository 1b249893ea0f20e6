// Fault injection as a client sees it, and several clients at once.
// Waits that must fail are bounded and can only fail: the fault guarantees the silence.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "sim_fixture.h"

namespace sim::testing {
namespace {

using namespace std::chrono_literals;
using Faults = SimulatorTest;

const Bytes kReadV0 = Frame(1, 3, {0x00, 0x00, 0x00, 0x01});
const Bytes kReplyV0 = {0, 1, 0, 0, 0, 5, 1, 3, 2, 0, 0};

Bytes ReadV0As(uint16_t transaction) { return Frame(transaction, 3, {0x00, 0x00, 0x00, 0x01}); }

TEST_F(Faults, DelayedReplyMissesAShortWaitAndArrivesLater) {
    simulator_.Faults().SetReplyDelay(400ms);
    RawClient raw(simulator_.Port());
    ASSERT_TRUE(raw.Send(kReadV0));
    EXPECT_EQ(raw.ReceiveFrame(100ms), std::nullopt);
    EXPECT_EQ(raw.ReceiveFrame(), kReplyV0);
}

TEST_F(Faults, LibmodbusClientTimesOutOnADelayedReply) {
    simulator_.Faults().SetReplyDelay(500ms);
    auto client = Client(100ms);
    ASSERT_TRUE(client);
    uint16_t value = 0;
    EXPECT_EQ(modbus_read_registers(client.get(), 0, 1, &value), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
}

TEST_F(Faults, HeldRepliesGoOutInOrderWhenReleased) {
    simulator_.Faults().SetHoldReplies(true);
    RawClient raw(simulator_.Port());
    Bytes two = ReadV0As(1);
    const Bytes second = ReadV0As(2);
    two.insert(two.end(), second.begin(), second.end());
    ASSERT_TRUE(raw.Send(two));
    EXPECT_EQ(raw.ReceiveFrame(150ms), std::nullopt);
    simulator_.Faults().SetHoldReplies(false);
    EXPECT_EQ(raw.ReceiveFrame(), kReplyV0);
    EXPECT_EQ(raw.ReceiveFrame(), (Bytes{0, 2, 0, 0, 0, 5, 1, 3, 2, 0, 0}));
}

TEST_F(Faults, DroppedRepliesLeaveOnlyTheNextAnswered) {
    simulator_.Faults().DropNextReplies(2);
    RawClient raw(simulator_.Port());
    Bytes three;
    for (uint16_t transaction = 1; transaction <= 3; ++transaction) {
        const Bytes frame = ReadV0As(transaction);
        three.insert(three.end(), frame.begin(), frame.end());
    }
    ASSERT_TRUE(raw.Send(three));
    EXPECT_EQ(raw.ReceiveFrame(), (Bytes{0, 3, 0, 0, 0, 5, 1, 3, 2, 0, 0}));
}

TEST_F(Faults, DroppedWriteIsStillCarriedOut) {
    simulator_.Faults().DropNextReplies(1);
    RawClient raw(simulator_.Port());
    ASSERT_TRUE(raw.Send(Frame(1, 6, {0x00, 0x05, 0x12, 0x34})));
    ASSERT_TRUE(raw.Send(ReadV0As(2)));
    ASSERT_TRUE(raw.ReceiveFrame());  // the read's reply: the write before it is done
    EXPECT_EQ(simulator_.Memory().Register(5), 0x1234);
}

TEST_F(Faults, ChosenExceptionAnswersInsteadOfCarryingOut) {
    simulator_.Faults().AnswerNextWithException(0x06, 1);  // server device busy
    RawClient raw(simulator_.Port());
    ASSERT_TRUE(raw.Send(Frame(1, 6, {0x00, 0x05, 0x12, 0x34})));
    EXPECT_EQ(raw.ReceiveFrame(), (Bytes{0, 1, 0, 0, 0, 3, 1, 0x86, 0x06}));
    EXPECT_EQ(simulator_.Memory().Register(5), 0);
    ASSERT_TRUE(raw.Send(ReadV0As(2)));
    EXPECT_EQ(raw.ReceiveFrame(), (Bytes{0, 2, 0, 0, 0, 5, 1, 3, 2, 0, 0}));
}

TEST_F(Faults, SplitReplyTakesOneSendPerByteAndStaysWhole) {
    simulator_.Faults().SetSplitReplies(true);
    auto client = Client();
    ASSERT_TRUE(client);
    simulator_.Memory().SetRegister(512, 0x4321);
    const uint64_t before = simulator_.SendCalls();
    uint16_t value = 0;
    ASSERT_EQ(modbus_read_registers(client.get(), 512, 1, &value), 1);
    EXPECT_EQ(value, 0x4321);
    EXPECT_EQ(simulator_.SendCalls() - before, 11u);  // 7 header + fc + count + 2 value bytes
}

TEST_F(Faults, CloseOnNextRequestEndsTheConnectionInOrder) {
    simulator_.Faults().CloseOnNextRequest();
    RawClient raw(simulator_.Port());
    ASSERT_TRUE(raw.Send(kReadV0));
    EXPECT_EQ(raw.WaitForEnd(), 0);
    RawClient next(simulator_.Port());  // used up: the next connection is served
    ASSERT_TRUE(next.Send(kReadV0));
    EXPECT_EQ(next.ReceiveFrame(), kReplyV0);
}

TEST_F(Faults, ResetOnNextRequestResetsTheConnection) {
    simulator_.Faults().ResetOnNextRequest();
    RawClient raw(simulator_.Port());
    ASSERT_TRUE(raw.Send(kReadV0));
    EXPECT_EQ(raw.WaitForEnd(), ECONNRESET);
}

TEST_F(Faults, CloseAllClientsClosesOrResetsEveryConnection) {
    RawClient first(simulator_.Port());
    RawClient second(simulator_.Port());
    ASSERT_TRUE(first.Send(kReadV0) && second.Send(kReadV0));
    ASSERT_TRUE(first.ReceiveFrame() && second.ReceiveFrame());  // both accepted
    simulator_.CloseAllClients(false);
    EXPECT_EQ(first.WaitForEnd(), 0);
    EXPECT_EQ(second.WaitForEnd(), 0);

    RawClient third(simulator_.Port());
    ASSERT_TRUE(third.Send(kReadV0) && third.ReceiveFrame());
    simulator_.CloseAllClients(true);
    EXPECT_EQ(third.WaitForEnd(), ECONNRESET);
    EXPECT_EQ(simulator_.ClientCount(), 0);
}

TEST_F(Faults, RefusingClosesTheListenerAndAcceptingReopensTheSamePort) {
    const uint16_t port = simulator_.Port();
    simulator_.SetAcceptMode(AcceptMode::Refuse);
    EXPECT_FALSE(RawClient(port).Connected());
    simulator_.SetAcceptMode(AcceptMode::Accept);
    RawClient raw(port);
    ASSERT_TRUE(raw.Connected());
    ASSERT_TRUE(raw.Send(kReadV0));
    EXPECT_EQ(raw.ReceiveFrame(), kReplyV0);
}

TEST_F(Faults, IgnoredConnectionWaitsInTheBacklogUntilAcceptingAgain) {
    simulator_.SetAcceptMode(AcceptMode::Ignore);
    RawClient raw(simulator_.Port());
    ASSERT_TRUE(raw.Connected());  // the kernel completes the handshake
    ASSERT_TRUE(raw.Send(kReadV0));
    EXPECT_EQ(raw.ReceiveFrame(150ms), std::nullopt);
    EXPECT_EQ(simulator_.ConnectionsAccepted(), 0u);
    simulator_.SetAcceptMode(AcceptMode::Accept);
    EXPECT_EQ(raw.ReceiveFrame(), kReplyV0);
}

TEST_F(Faults, MalformedLengthClosesAndForeignProtocolIsIgnored) {
    RawClient foreign(simulator_.Port());
    Bytes notModbus = ReadV0As(1);
    notModbus[3] = 1;  // protocol identifier 1
    ASSERT_TRUE(foreign.Send(notModbus));
    ASSERT_TRUE(foreign.Send(ReadV0As(2)));
    EXPECT_EQ(foreign.ReceiveFrame(), (Bytes{0, 2, 0, 0, 0, 5, 1, 3, 2, 0, 0}));

    RawClient malformed(simulator_.Port());
    ASSERT_TRUE(malformed.Send({0, 1, 0, 0, 0x01, 0x00, 1, 3}));  // length 256
    EXPECT_EQ(malformed.WaitForEnd(), 0);
}

TEST_F(Faults, ClearedPlanRepliesNormally) {
    simulator_.Faults().DropNextReplies(5);
    simulator_.Faults().SetReplyDelay(10s);
    simulator_.Faults().Clear();
    RawClient raw(simulator_.Port());
    ASSERT_TRUE(raw.Send(kReadV0));
    EXPECT_EQ(raw.ReceiveFrame(), kReplyV0);
}

TEST_F(Faults, StalledClientDoesNotHoldUpOthers) {
    RawClient stalled(simulator_.Port());
    ASSERT_TRUE(stalled.Send({0, 1, 0, 0, 0, 6, 1}));  // half a frame, never finished
    auto client = Client();
    ASSERT_TRUE(client);
    uint16_t value = 1;
    EXPECT_EQ(modbus_read_registers(client.get(), 0, 1, &value), 1);
}

TEST_F(Faults, SeveralClientsAtOnceEachGetTheirOwnReplies) {
    constexpr int kClients = 6;
    constexpr int kRounds = 40;
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int c = 0; c < kClients; ++c) {
        threads.emplace_back([&, c] {
            auto client = Connect(simulator_.Port());
            if (!client) return;
            const int address = 1000 + c;
            for (int round = 0; round < kRounds; ++round) {
                uint16_t value = 0;
                if (modbus_write_register(client.get(), address, static_cast<uint16_t>(round + c)) == 1 &&
                    modbus_read_registers(client.get(), address, 1, &value) == 1 && value == round + c) {
                    ++good;
                }
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(good.load(), kClients * kRounds);
    EXPECT_EQ(simulator_.ConnectionsAccepted(), static_cast<uint64_t>(kClients));
}

TEST_F(Faults, ObserverSeesEveryOutcome) {
    simulator_.Stop();
    std::mutex mutex;
    std::vector<RequestOutcome> outcomes;
    simulator_.SetRequestObserver([&](const RequestRecord& record) {
        std::lock_guard lock(mutex);
        outcomes.push_back(record.outcome);
    });
    ASSERT_TRUE(simulator_.Start());
    simulator_.Faults().DropNextReplies(1);
    RawClient raw(simulator_.Port());
    ASSERT_TRUE(raw.Send(ReadV0As(1)));
    ASSERT_TRUE(raw.Send(Frame(2, 1, {0x0A, 0x00, 0x00, 0x01})));
    ASSERT_TRUE(raw.Send(ReadV0As(3)));
    ASSERT_TRUE(raw.ReceiveFrame() && raw.ReceiveFrame());
    std::lock_guard lock(mutex);
    EXPECT_EQ(outcomes, (std::vector{RequestOutcome::Dropped, RequestOutcome::Exception, RequestOutcome::Replied}));
}

}  // namespace
}  // namespace sim::testing
