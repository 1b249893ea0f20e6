// Internal to the dispatcher: the background host lookups. A small pool of
// threads takes requests in order, resolves them with the blocking lookup and
// keeps the answers until the owner thread's PollOnce takes them.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/async_dispatcher.h"

namespace platform {

class AsyncDispatcher::Lookups {
public:
    /// `wake` is called (on a lookup thread) whenever an answer is ready.
    explicit Lookups(std::function<void()> wake);
    /// Drops what waits and joins the threads.
    ~Lookups();
    Lookups(const Lookups&) = delete;
    Lookups& operator=(const Lookups&) = delete;

    /// A task handle, or 0 with the thread's last error set. Any thread.
    int32_t Start(const std::string& name, int32_t message);
    /// 0, or SOCKET_ERROR with the thread's last error set. Any thread.
    int32_t Cancel(int32_t handle);
    /// Answers ready for delivery, oldest first. Owner thread.
    std::vector<AsyncMessage> TakeFinished();
    bool HasFinished();

private:
    struct Request {
        int32_t handle = 0;
        int32_t message = 0;
        std::string name;
    };

    void Work();
    static AsyncMessage Resolve(const Request& request);

    std::mutex mutex_;
    std::condition_variable work_;
    std::deque<Request> waiting_;
    std::set<int32_t> running_;  // handles being resolved whose answer is still wanted
    std::vector<AsyncMessage> finished_;
    std::atomic<bool> anyFinished_{false};  // !finished_.empty(); written under mutex_
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool stopping_ = false;
    std::function<void()> wake_;
};

}  // namespace platform
