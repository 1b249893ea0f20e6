#include "platform/async_lookups.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <utility>

namespace platform {
namespace {

std::atomic<int32_t> gLastHandle{0};

/// Task handles are unique in the process and never 0.
int32_t NextHandle() {
    int32_t previous = gLastHandle.load();
    int32_t handle = 0;
    do {
        handle = previous == INT32_MAX ? 1 : previous + 1;
    } while (!gLastHandle.compare_exchange_weak(previous, handle));
    return handle;
}

}  // namespace

AsyncDispatcher::Lookups::Lookups(std::function<void()> wake) : wake_(std::move(wake)) {}

AsyncDispatcher::Lookups::~Lookups() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
        running_.clear();
    }
    work_.notify_all();
    for (auto& thread : threads_) thread.join();
}

int32_t AsyncDispatcher::Lookups::Start(const std::string& name, int32_t message) {
    std::lock_guard lock(mutex_);
    if (waiting_.size() + running_.size() >= static_cast<std::size_t>(kMaxPendingLookups)) {
        FailWith(WSAENOBUFS);
        return 0;
    }
    int32_t handle = NextHandle();
    waiting_.push_back({handle, message, name});
    if (idle_ < waiting_.size() && threads_.size() < static_cast<std::size_t>(kLookupThreads)) {
        threads_.emplace_back([this] { Work(); });
    } else {
        work_.notify_one();
    }
    return handle;
}

int32_t AsyncDispatcher::Lookups::Cancel(int32_t handle) {
    std::lock_guard lock(mutex_);
    auto waiting = std::find_if(waiting_.begin(), waiting_.end(), [&](const Request& r) { return r.handle == handle; });
    if (waiting != waiting_.end()) {
        waiting_.erase(waiting);
        return 0;
    }
    if (running_.erase(handle) != 0) return 0;
    auto done =
        std::find_if(finished_.begin(), finished_.end(), [&](const AsyncMessage& m) { return m.wParam == handle; });
    if (done != finished_.end()) {
        finished_.erase(done);
        anyFinished_.store(!finished_.empty(), std::memory_order_release);
        return 0;
    }
    // A handle handed out earlier that is nowhere now has had its answer delivered.
    return FailWith(handle > 0 && handle <= gLastHandle.load() ? WSAEALREADY : WSAEINVAL);
}

std::vector<AsyncMessage> AsyncDispatcher::Lookups::TakeFinished() {
    if (!HasFinished()) return {};
    std::lock_guard lock(mutex_);
    anyFinished_.store(false, std::memory_order_release);
    return std::exchange(finished_, {});
}

bool AsyncDispatcher::Lookups::HasFinished() {
    // Set under the lock before the dispatcher is woken, so the poll that the
    // wake ends sees it; a poll without lookups takes no lock here.
    return anyFinished_.load(std::memory_order_acquire);
}

void AsyncDispatcher::Lookups::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idle_;
        work_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        --idle_;
        if (stopping_) return;
        Request request = std::move(waiting_.front());
        waiting_.pop_front();
        running_.insert(request.handle);
        lock.unlock();
        AsyncMessage answer = Resolve(request);
        lock.lock();
        if (running_.erase(request.handle) == 0) continue;  // cancelled meanwhile
        finished_.push_back(std::move(answer));
        anyFinished_.store(true, std::memory_order_release);
        lock.unlock();
        wake_();
        lock.lock();
    }
}

AsyncMessage AsyncDispatcher::Lookups::Resolve(const Request& request) {
    AsyncMessage answer{request.message, request.handle, 0, {}};
    if (gethostbyname(request.name, answer.answer) != 0) {
        answer.answer = HostEntry{};
        answer.lParam = MakeSelectReply(0, WSAGetLastError());
        return answer;
    }
    auto& addresses = answer.answer.addresses;
    while (addresses.size() > 1 && HostEntryLength(answer.answer) > kHostLookupBufferSize) addresses.pop_back();
    answer.lParam = MakeSelectReply(HostEntryLength(answer.answer), 0);
    return answer;
}

}  // namespace platform
