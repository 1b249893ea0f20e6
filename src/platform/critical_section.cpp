#include "platform/critical_section.h"

namespace platform {

void CriticalSection::Enter() {
    const auto me = std::this_thread::get_id();
    std::unique_lock lock(mutex_);
    if (depth_ > 0 && owner_ == me) {
        ++depth_;
        return;
    }
    free_.wait(lock, [this] { return depth_ == 0; });
    owner_ = me;
    depth_ = 1;
}

bool CriticalSection::Leave() {
    {
        std::lock_guard lock(mutex_);
        if (depth_ == 0 || owner_ != std::this_thread::get_id()) return false;
        if (--depth_ > 0) return true;
        owner_ = std::thread::id{};
    }
    free_.notify_one();
    return true;
}

int CriticalSection::EntriesOfThisThread() const {
    std::lock_guard lock(mutex_);
    return depth_ > 0 && owner_ == std::this_thread::get_id() ? depth_ : 0;
}

}  // namespace platform
