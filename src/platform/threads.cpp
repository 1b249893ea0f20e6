#include "platform/threads.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace platform {
namespace {

class EventQueue {
public:
    EventQueue() : wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
    ~EventQueue() {
        if (wakeFd_ >= 0) close(wakeFd_);
    }
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    void Post(int event) {
        std::function<void()> hook;
        {
            std::lock_guard lock(mutex_);
            events_.push_back(event);
            hook = hook_;
        }
        uint64_t one = 1;
        [[maybe_unused]] auto n = write(wakeFd_, &one, sizeof one);
        ready_.notify_one();
        if (hook) hook();
    }

    std::optional<int> Take() {
        std::lock_guard lock(mutex_);
        return PopLocked();
    }

    std::optional<int> Wait(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        ready_.wait_for(lock, timeout, [this] { return !events_.empty(); });
        return PopLocked();
    }

    std::size_t Pending() {
        std::lock_guard lock(mutex_);
        return events_.size();
    }

    void SetHook(std::function<void()> hook) {
        std::lock_guard lock(mutex_);
        hook_ = std::move(hook);
    }

    int WakeFd() const { return wakeFd_; }

private:
    std::optional<int> PopLocked() {
        if (events_.empty()) {
            uint64_t drained;
            [[maybe_unused]] auto n = read(wakeFd_, &drained, sizeof drained);
            return std::nullopt;
        }
        int event = events_.front();
        events_.pop_front();
        return event;
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<int> events_;
    std::function<void()> hook_;
    int wakeFd_;
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
