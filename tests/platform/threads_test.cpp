#include "platform/threads.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>

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

TEST(Threads, PostHookRunsAfterEachPost) {
    int calls = 0;
    SetPostHook([&] { ++calls; });
    PostEvent(1);
    PostEvent(2);
    SetPostHook(nullptr);
    EXPECT_EQ(calls, 2);
    while (TakeEvent()) {
    }
}

}  // namespace
}  // namespace platform
