#include "netcore/net_critical.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/threads.h"

using namespace std::chrono_literals;

namespace {

constexpr int kTrying = 1;
constexpr int kGotLock = 2;
constexpr int kGo = 3;
constexpr int kDone = 4;
constexpr auto kLong = 10s;      // bound for something that must happen
constexpr auto kAbsence = 50ms;  // a thread that must stay blocked gets this long to prove otherwise

TEST(NetCritical, IsOneProcessWideInstance) {
    NetCriticalSection_* lock = NetGet_NetCriticalSection();
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(lock, NetGet_NetCriticalSection());
}

TEST(NetCritical, OwnerMayTakeItAgainAndNeedsOneReleasePerTake) {
    NetCriticalSection_* lock = NetGet_NetCriticalSection();
    lock->Wait(-50);
    lock->Wait(-50);
    lock->Wait(-50);
    EXPECT_EQ(lock->HeldByThisThread(), 3);
    EXPECT_EQ(lock->Initialized.load(), 1);
    lock->Release(-51);
    lock->Release(-51);
    EXPECT_EQ(lock->HeldByThisThread(), 1);
    lock->Release(-51);
    EXPECT_EQ(lock->HeldByThisThread(), 0);
}

TEST(NetCritical, ReleaseWithoutTakeChangesNothing) {
    NetCriticalSection_* lock = NetGet_NetCriticalSection();
    lock->Release(-51);
    lock->Release(-51);
    lock->Wait(-50);
    EXPECT_EQ(lock->HeldByThisThread(), 1);
    lock->Release(-51);
    EXPECT_EQ(lock->HeldByThisThread(), 0);
}

// The main thread holds the lock twice; a second thread that asks for it gets
// it only after both releases, and may then take it recursively itself.
TEST(NetCritical, SecondThreadWaitsForEveryReleaseOfTheOwner) {
    NetCriticalSection_* lock = NetGet_NetCriticalSection();
    const int mainThread = platform::ThisThread();
    lock->Wait(-50);
    lock->Wait(-50);

    int heldByOther = 0;
    int heldAfterStrayRelease = 0;
    auto other = platform::StartThread([&] {
        platform::PostEvent(kTrying, mainThread);
        lock->Wait(-50);
        lock->Wait(-50);
        heldByOther = lock->HeldByThisThread();
        platform::PostEvent(kGotLock, mainThread);
        if (platform::WaitEvent(kLong) != kGo) ADD_FAILURE() << "no go signal";
        heldAfterStrayRelease = lock->HeldByThisThread();
        lock->Release(-51);
        lock->Release(-51);
        platform::PostEvent(kDone, mainThread);
    });

    EXPECT_EQ(platform::WaitEvent(kLong), kTrying);
    EXPECT_EQ(platform::WaitEvent(kAbsence), std::nullopt);
    lock->Release(-51);
    EXPECT_EQ(platform::WaitEvent(kAbsence), std::nullopt) << "one release of two must not free the lock";
    lock->Release(-51);
    EXPECT_EQ(platform::WaitEvent(kLong), kGotLock);
    EXPECT_EQ(heldByOther, 2);

    // A release by a thread that does not own the lock must not free it.
    EXPECT_EQ(lock->HeldByThisThread(), 0);
    lock->Release(-51);
    platform::PostEvent(kGo, other.number);
    EXPECT_EQ(platform::WaitEvent(kLong), kDone);
    other.thread.join();
    EXPECT_EQ(heldAfterStrayRelease, 2);

    lock->Wait(-50);
    EXPECT_EQ(lock->HeldByThisThread(), 1);
    lock->Release(-51);
}

// Two threads update plain shared data under nested takes; the sum shows that
// no update was lost (and the thread sanitizer checks the exclusion itself).
TEST(NetCritical, NestedTakesFromTwoThreadsExcludeEachOther) {
    constexpr int kRounds = 20000;
    long shared = 0;
    auto work = [&shared] {
        NetCriticalSection_* lock = NetGet_NetCriticalSection();
        for (int i = 0; i < kRounds; ++i) {
            lock->Wait(-50);
            lock->Wait(-50);
            shared += 1;
            lock->Release(-51);
            shared += 1;
            lock->Release(-51);
        }
    };
    auto first = platform::StartThread(work);
    auto second = platform::StartThread(work);
    first.thread.join();
    second.thread.join();
    EXPECT_EQ(shared, 4L * kRounds);
}

TEST(NetCritical, HoldTakesAndReleasesForAScope) {
    NetCriticalSection_* lock = NetGet_NetCriticalSection();
    {
        NetCriticalHold outer;
        NetCriticalHold inner;
        EXPECT_EQ(lock->HeldByThisThread(), 2);
    }
    EXPECT_EQ(lock->HeldByThisThread(), 0);
}

// A post made under the lock waits until the poster lets go of it entirely,
// so the woken thread finds the lock free; posts keep their order.
TEST(NetCritical, PostsUnderTheLockGoOutWhenItIsReleased) {
    while (platform::TakeEvent()) {
    }
    {
        NetCriticalHold outer;
        {
            NetCriticalHold inner;
            NetPostEvent(7, 0);
            NetPostEvent(8, platform::ThisThread());
        }
        EXPECT_EQ(platform::PendingEvents(), 0u) << "still held once";
    }
    EXPECT_EQ(platform::TakeEvent(), 7);
    EXPECT_EQ(platform::TakeEvent(), 8);
    NetPostEvent(9, 0);  // not held: at once
    EXPECT_EQ(platform::TakeEvent(), 9);
}

TEST(NetCritical, ADeferredPostWakesAnotherThreadOnlyAfterTheRelease) {
    const int mainThread = platform::ThisThread();
    int heldWhenWoken = -1;
    auto other = platform::StartThread([&] {
        platform::PostEvent(kTrying, mainThread);
        if (platform::WaitEvent(kLong) != kGo) ADD_FAILURE() << "no go signal";
        heldWhenWoken = NetGet_NetCriticalSection()->HeldByThisThread();
        NetCriticalHold hold;  // free at once: the poster let go before posting
        platform::PostEvent(kDone, mainThread);
    });
    EXPECT_EQ(platform::WaitEvent(kLong), kTrying);
    {
        NetCriticalHold hold;
        NetPostEvent(kGo, other.number);
        EXPECT_EQ(platform::WaitEvent(kAbsence), std::nullopt);
    }
    EXPECT_EQ(platform::WaitEvent(kLong), kDone);
    other.thread.join();
    EXPECT_EQ(heldWhenWoken, 0);
}

}  // namespace
