#include "netcore/net_critical.h"

#include <utility>
#include <vector>

#include "netcore/net_log_testing.h"
#include "platform/threads.h"

namespace {
std::atomic<bool> gLookupFails{false};

/// Posts this thread made while it held the lock: event and thread, in order.
thread_local std::vector<std::pair<int, int>> tPostsAfterRelease;

void PostWaitingEvents() {
    // Swapped out first: a post may run a hook that takes the lock again.
    std::vector<std::pair<int, int>> posts;
    posts.swap(tPostsAfterRelease);
    for (const auto& [event, thread] : posts) platform::PostEvent(event, thread);
    // The room goes back for the next hold, so a post allocates nothing.
    posts.clear();
    if (tPostsAfterRelease.empty()) tPostsAfterRelease.swap(posts);
}
}  // namespace

void NetCriticalSection_::Wait(int32_t /*count*/) {
    // The section itself is ready once constructed; the flag records that the
    // lock has been put to use, which is what Release looks at.
    if (Initialized.load(std::memory_order_acquire) == 0) Initialized.store(1, std::memory_order_release);
    NetCriticalSectionData.Enter();
}

void NetCriticalSection_::Release(int32_t /*count*/) {
    if (Initialized.load(std::memory_order_acquire) != 1) return;
    NetCriticalSectionData.Leave();
    if (!tPostsAfterRelease.empty() && NetCriticalSectionData.EntriesOfThisThread() == 0) PostWaitingEvents();
}

void NetCriticalSection_::Log(std::string_view /*text*/) {}

NetCriticalSection_* NetGet_NetCriticalSection() {
    if (gLookupFails.load(std::memory_order_relaxed)) return nullptr;
    // Never destroyed: threads may still take the lock while the process ends.
    static auto* const instance = new NetCriticalSection_();
    return instance;
}

void NetPostEvent(int event, int thread) {
    // The thread number is settled now: 0 means the poster, wherever the post runs.
    if (thread == 0) thread = platform::ThisThread();
    NetCriticalSection_* lock = NetGet_NetCriticalSection();
    if (lock == nullptr || lock->HeldByThisThread() == 0) {
        platform::PostEvent(event, thread);
        return;
    }
    tPostsAfterRelease.emplace_back(event, thread);
}

void FailNetCriticalLookupForTests(bool fail) { gLookupFails.store(fail, std::memory_order_relaxed); }
