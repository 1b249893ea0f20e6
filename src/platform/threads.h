// Thread numbers and per-thread event queues.
//
// Every thread that takes part gets a small number (the program's first
// thread is 1) and a queue of event numbers. Threads signal each other only
// by posting numbers into these queues; a post carries no data.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <thread>

namespace platform {

/// Number of the calling thread; given on first use and kept for the thread's life.
/// Any thread may call.
int ThisThread();

/// Appends `event` to the queue of thread `thread` (0 = the calling thread).
/// Returns false when no such thread has a queue. Any thread may call.
bool PostEvent(int event, int thread = 0);

/// Takes the oldest event from the calling thread's queue, if there is one.
std::optional<int> TakeEvent();

/// Waits up to `timeout` for an event on the calling thread's queue and takes it.
/// This is a real bounded wait for a post from another thread, never a way to let time pass.
std::optional<int> WaitEvent(std::chrono::milliseconds timeout);

/// Number of events waiting on the calling thread's queue.
std::size_t PendingEvents();

/// A file descriptor that polls readable while the calling thread's queue holds
/// events; lets a poll loop wait on sockets and its queue at once.
int QueueWakeFd();

/// Called (on the posting thread) after a post that found the calling thread's
/// queue empty; the Qt view uses it to schedule a drain of the queue on its own
/// loop, which must then take every waiting event (later posts run no hook
/// until the queue has been emptied).
void SetPostHook(std::function<void()> hook);

/// Drops the calling thread's queue; later posts to its number fail.
/// Threads started by StartThread do this when their procedure returns.
void ReleaseThisThread();

struct StartedThread {
    std::thread thread;  // must be joined by the starter
    int number = 0;      // the new thread's number, known before it runs
};

/// Starts `procedure` on a new thread that has its own number and queue,
/// both made before the thread runs so the starter can post to it at once.
StartedThread StartThread(std::function<void()> procedure);

}  // namespace platform
