// A recursive critical section, as the library lock needs it: owned by one
// thread at a time; the owner may enter again, and each entry needs its own
// leave. Leaving on a thread that does not own it is a harmless no-op rather
// than undefined behaviour, so a stray leave cannot break the lock for others.
//
// An entry that finds the section free costs one uncontended mutex lock; a
// nested entry by the owner costs no lock at all.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

namespace platform {

class CriticalSection {
public:
    /// Blocks until the calling thread owns the section, then counts one entry.
    void Enter();
    /// Counts one entry off; frees the section at zero. Returns false (and
    /// changes nothing) when the calling thread does not own it.
    bool Leave();
    /// How many entries the calling thread holds (0 when it does not own it).
    int EntriesOfThisThread() const;

private:
    std::mutex mutex_;
    // Only the owner stores its own id here (and clears it before it lets go),
    // so a thread that reads its own id knows it owns the section.
    std::atomic<std::thread::id> owner_{};
    int depth_ = 0;  // the owner's entries; touched by the owner only
};

}  // namespace platform
