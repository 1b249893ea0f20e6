#include "platform/critical_section.h"

namespace platform {

void CriticalSection::Enter() {
    const auto me = std::this_thread::get_id();
    if (owner_.load(std::memory_order_relaxed) == me) {
        ++depth_;
        return;
    }
    mutex_.lock();
    owner_.store(me, std::memory_order_relaxed);
    depth_ = 1;
}

bool CriticalSection::Leave() {
    if (owner_.load(std::memory_order_relaxed) != std::this_thread::get_id()) return false;
    if (--depth_ > 0) return true;
    owner_.store(std::thread::id{}, std::memory_order_relaxed);
    mutex_.unlock();
    return true;
}

int CriticalSection::EntriesOfThisThread() const {
    return owner_.load(std::memory_order_relaxed) == std::this_thread::get_id() ? depth_ : 0;
}

}  // namespace platform
