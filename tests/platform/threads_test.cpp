#include "platform/threads.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <thread>

namespace platform {
namespace {

TEST(Threads, FirstThreadIsOneAndNumbersStay) {
    EXPECT_EQ(ThisThread(), 1);  // the test's main thread ran static initialisation
    EXPECT_EQ(ThisThread(), 1);
}

TEST(Threads, PostsArriveInOrderOnTheCallingThreadsQueue) {
    while (TakeEvent()) {
    }
    EXPECT_TRUE(PostEvent(2053));
    EXPECT_TRUE(PostEvent(2058, ThisThread()));
    EXPECT_EQ(PendingEvents(), 2u);
    EXPECT_EQ(TakeEvent(), 2053);
    EXPECT_EQ(TakeEvent(), 2058);
    EXPECT_EQ(TakeEvent(), std::nullopt);
}

TEST(Threads, StartedThreadHasItsOwnNumberAndQueue) {
    std::atomic<int> seen{0};
    int main = ThisThread();
    auto started = StartThread([&] {
        seen = ThisThread();
        auto event = WaitEvent(std::chrono::seconds(10));
        PostEvent(event.value_or(-1) + 1, main);
    });
    EXPECT_GT(started.number, 1);
    EXPECT_TRUE(PostEvent(41, started.number));
    auto reply = WaitEvent(std::chrono::seconds(10));
    started.thread.join();
    EXPECT_EQ(reply, 42);
    EXPECT_EQ(seen, started.number);
    EXPECT_FALSE(PostEvent(1, started.number));  // its queue went with it
}

TEST(Threads, WakeFdPollsReadableWhileEventsWait) {
    while (TakeEvent()) {
    }
    pollfd pfd{QueueWakeFd(), POLLIN, 0};
    EXPECT_EQ(poll(&pfd, 1, 0), 0);
    PostEvent(7);
    EXPECT_EQ(poll(&pfd, 1, 0), 1);
    EXPECT_EQ(TakeEvent(), 7);
    EXPECT_EQ(TakeEvent(), std::nullopt);  // empty queue drains the wake count
    EXPECT_EQ(poll(&pfd, 1, 0), 0);
}

// A thread may ask for its wake descriptor after events were posted to it.
TEST(Threads, WakeFdAskedForLatePollsReadableForEventsAlreadyWaiting) {
    auto started = StartThread([] {
        if (WaitEvent(std::chrono::seconds(10)) != 1) ADD_FAILURE() << "no first event";
        // The second event was posted before the descriptor existed.
        while (PendingEvents() == 0) std::this_thread::yield();
        pollfd pfd{QueueWakeFd(), POLLIN, 0};
        EXPECT_EQ(poll(&pfd, 1, 0), 1);
        EXPECT_EQ(TakeEvent(), 2);
        EXPECT_EQ(TakeEvent(), std::nullopt);
        EXPECT_EQ(poll(&pfd, 1, 0), 0);
        PostEvent(3);
        EXPECT_EQ(poll(&pfd, 1, 0), 1);
        PostEvent(4);  // a second post while signalled needs no second wake
        EXPECT_EQ(TakeEvent(), 3);
        EXPECT_EQ(TakeEvent(), 4);
        EXPECT_EQ(TakeEvent(), std::nullopt);
        EXPECT_EQ(poll(&pfd, 1, 0), 0);
    });
    PostEvent(1, started.number);
    PostEvent(2, started.number);
    started.thread.join();
}

// Waiting threads are woken by posts from others, one event per wake, none lost.
TEST(Threads, ManyPostsFromAnotherThreadAreAllTakenByAWaiter) {
    constexpr int kPosts = 20000;
    const int main = ThisThread();
    while (TakeEvent()) {
    }
    auto poster = StartThread([&] {
        for (int i = 1; i <= kPosts; ++i) PostEvent(i, main);
    });
    int expected = 1;
    while (expected <= kPosts) {
        auto event = WaitEvent(std::chrono::seconds(10));
        if (!event) break;
        EXPECT_EQ(*event, expected);
        ++expected;
    }
    poster.thread.join();
    EXPECT_EQ(expected, kPosts + 1);
}

TEST(Threads, PostHookRunsWhenTheQueueStopsBeingEmpty) {
    int calls = 0;
    SetPostHook([&] { ++calls; });
    PostEvent(1);
    PostEvent(2);  // the drain that the first post asked for takes this one too
    EXPECT_EQ(calls, 1);
    while (TakeEvent()) {
    }
    PostEvent(3);
    SetPostHook(nullptr);
    EXPECT_EQ(calls, 2);
    while (TakeEvent()) {
    }
}

}  // namespace
}  // namespace platform
