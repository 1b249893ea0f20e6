#include "platform/threads.h"

#include <linux/futex.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <ctime>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace platform {
namespace {

/// Blocks while `*word` holds `expected`, at most `timeout`; a wake or a
/// changed word ends the wait early (and so may a signal: callers re-check).
void FutexWait(std::atomic<uint32_t>* word, uint32_t expected, std::chrono::nanoseconds timeout) {
    if (timeout.count() <= 0) return;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    timespec relative{static_cast<time_t>(seconds.count()), static_cast<long>((timeout - seconds).count())};
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_PRIVATE, expected, &relative, nullptr, 0);
}

void FutexWakeOne(std::atomic<uint32_t>* word) {
    syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

// One thread's queue. A post wakes the owner only when it is waiting in Wait
// (one futex wake; no lock is left contended), touches the wake eventfd only
// once the owner has asked for it (QueueWakeFd) and only when the queue goes
// from empty to holding events, and runs the post hook only then too: the hot
// path of a hand-off between two threads is one wake and one wait.
class EventQueue {
public:
    EventQueue() = default;
    ~EventQueue() {
        if (wakeFd_ >= 0) close(wakeFd_);
    }
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    void Post(int event) {
        std::shared_ptr<const std::function<void()>> hook;
        bool wake = false;
        {
            std::lock_guard lock(mutex_);
            // Only the post that finds the queue empty needs to tell the owner:
            // whatever drains that event drains the ones behind it too.
            if (events_.empty()) hook = hook_;
            events_.push_back(event);
            count_.store(events_.size(), std::memory_order_relaxed);
            if (wakeFd_ >= 0 && !signalled_.load(std::memory_order_relaxed)) {
                uint64_t one = 1;
                [[maybe_unused]] auto n = write(wakeFd_, &one, sizeof one);
                signalled_.store(true, std::memory_order_relaxed);
            }
            if (waiters_ > 0) {
                sequence_.fetch_add(1, std::memory_order_relaxed);
                wake = true;
            }
        }
        if (wake) FutexWakeOne(&sequence_);
        if (hook) (*hook)();
    }

    std::optional<int> Take() {
        // A queue seen empty without the lock may miss a post that is under
        // way; that post wakes the owner (futex or eventfd) and is taken then.
        if (count_.load(std::memory_order_relaxed) == 0 && !signalled_.load(std::memory_order_relaxed)) return {};
        std::lock_guard lock(mutex_);
        return PopLocked();
    }

    std::optional<int> Wait(std::chrono::milliseconds timeout) {
        std::optional<std::chrono::steady_clock::time_point> deadline;
        std::unique_lock lock(mutex_);
        for (;;) {
            if (!events_.empty()) return PopLocked();
            const auto now = std::chrono::steady_clock::now();
            if (!deadline) deadline = now + timeout;
            if (now >= *deadline) return PopLocked();
            const uint32_t seen = sequence_.load(std::memory_order_relaxed);
            ++waiters_;
            lock.unlock();
            FutexWait(&sequence_, seen, *deadline - now);
            lock.lock();
            --waiters_;
        }
    }

    std::size_t Pending() {
        std::lock_guard lock(mutex_);
        return events_.size();
    }

    void SetHook(std::function<void()> hook) {
        std::lock_guard lock(mutex_);
        hook_ = hook ? std::make_shared<const std::function<void()>>(std::move(hook)) : nullptr;
    }

    int WakeFd() {
        std::lock_guard lock(mutex_);
        if (wakeFd_ < 0) {
            wakeFd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
            signalled_.store(false, std::memory_order_relaxed);
            if (wakeFd_ >= 0 && !events_.empty()) {
                uint64_t one = 1;
                [[maybe_unused]] auto n = write(wakeFd_, &one, sizeof one);
                signalled_.store(true, std::memory_order_relaxed);
            }
        }
        return wakeFd_;
    }

private:
    std::optional<int> PopLocked() {
        if (events_.empty()) {
            if (signalled_.load(std::memory_order_relaxed)) {
                uint64_t drained;
                [[maybe_unused]] auto n = read(wakeFd_, &drained, sizeof drained);
                signalled_.store(false, std::memory_order_relaxed);
            }
            return std::nullopt;
        }
        int event = events_.front();
        events_.pop_front();
        count_.store(events_.size(), std::memory_order_relaxed);
        return event;
    }

    std::mutex mutex_;
    std::deque<int> events_;
    std::shared_ptr<const std::function<void()>> hook_;
    int wakeFd_ = -1;  // made on first use of QueueWakeFd
    // Written under the mutex; read without it only by the owner's Take, as a hint.
    std::atomic<bool> signalled_{false};  // the eventfd holds a count that no Take has drained
    std::atomic<std::size_t> count_{0};   // events_.size()
    int waiters_ = 0;                     // threads inside Wait
    std::atomic<uint32_t> sequence_{0};   // the futex word: moves on every post that must wake
};

struct Registry {
    std::mutex mutex;
    std::map<int, std::shared_ptr<EventQueue>> queues;
    int nextNumber = 1;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

thread_local int tNumber = 0;
thread_local std::shared_ptr<EventQueue> tQueue;

std::pair<int, std::shared_ptr<EventQueue>> NewQueue() {
    auto& reg = TheRegistry();
    auto queue = std::make_shared<EventQueue>();
    std::lock_guard lock(reg.mutex);
    int number = reg.nextNumber++;
    reg.queues[number] = queue;
    return {number, queue};
}

void EnsureRegistered() {
    if (tNumber != 0) return;
    std::tie(tNumber, tQueue) = NewQueue();
}

// The thread that runs static initialisation is the program's first thread.
[[maybe_unused]] const int kFirstThread = (EnsureRegistered(), tNumber);

std::shared_ptr<EventQueue> QueueOf(int thread) {
    auto& reg = TheRegistry();
    std::lock_guard lock(reg.mutex);
    auto it = reg.queues.find(thread);
    return it == reg.queues.end() ? nullptr : it->second;
}

}  // namespace

int ThisThread() {
    EnsureRegistered();
    return tNumber;
}

bool PostEvent(int event, int thread) {
    if (thread == 0) thread = ThisThread();
    auto queue = QueueOf(thread);
    if (!queue) return false;
    queue->Post(event);
    return true;
}

std::optional<int> TakeEvent() {
    EnsureRegistered();
    return tQueue->Take();
}

std::optional<int> WaitEvent(std::chrono::milliseconds timeout) {
    EnsureRegistered();
    return tQueue->Wait(timeout);
}

std::size_t PendingEvents() {
    EnsureRegistered();
    return tQueue->Pending();
}

int QueueWakeFd() {
    EnsureRegistered();
    return tQueue->WakeFd();
}

void SetPostHook(std::function<void()> hook) {
    EnsureRegistered();
    tQueue->SetHook(std::move(hook));
}

void ReleaseThisThread() {
    if (tNumber == 0) return;
    auto& reg = TheRegistry();
    {
        std::lock_guard lock(reg.mutex);
        reg.queues.erase(tNumber);
    }
    tQueue.reset();
    tNumber = 0;
}

StartedThread StartThread(std::function<void()> procedure) {
    auto [number, queue] = NewQueue();
    std::thread thread([procedure = std::move(procedure), number = number, queue = queue] {
        tNumber = number;
        tQueue = queue;
        procedure();
        ReleaseThisThread();
    });
    return {std::move(thread), number};
}

}  // namespace platform
