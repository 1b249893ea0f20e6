#include "platform/async_dispatcher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/async_lookups.h"
#include "platform/socket_table.h"

namespace platform {
namespace {

bool IsSocket(SocketHandle s) {
    int type = 0;
    socklen_t length = sizeof type;
    return s > 0 && getsockopt(s, SOL_SOCKET, SO_TYPE, &type, &length) == 0;
}

}  // namespace

AsyncDispatcher::AsyncDispatcher()
    : wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)),
      epollFd_(epoll_create1(EPOLL_CLOEXEC)),
      lookups_(std::make_unique<Lookups>([this] { Wake(); })) {
    WatchInSet(wakeFd_, kWakeTag);
}

AsyncDispatcher::~AsyncDispatcher() {
    lookups_.reset();  // joins the lookup threads, which wake us
    detail::DropTarget(this);
    if (epollFd_ >= 0) close(epollFd_);
    if (wakeFd_ >= 0) close(wakeFd_);
}

int32_t AsyncDispatcher::AsyncSelect(SocketHandle s, int32_t message, int32_t events) {
    if (!IsSocket(s)) return FailWith(WSAENOTSOCK);
    if (message != 0 && events != 0) {
        int flags = fcntl(s, F_GETFL);
        if (flags < 0 || fcntl(s, F_SETFL, flags | O_NONBLOCK) != 0) return FailWithErrno();
    }
    int32_t result = detail::Select(s, {this, wakeFd_, epollFd_}, message, events);
    return result == 0 ? 0 : FailWith(result);
}

int32_t AsyncDispatcher::AsyncGetHostByName(const std::string& name, int32_t message) {
    return lookups_->Start(name, message);
}

int32_t AsyncDispatcher::CancelAsyncRequest(int32_t handle) { return lookups_->Cancel(handle); }

int AsyncDispatcher::PollOnce(int timeoutMs, const AsyncHandler& handler, std::span<const int> alsoWatch) {
    detail::DispatchingScope dispatching(this);
    WatchAlso(alsoWatch);
    std::vector<detail::Notification>& due = due_;
    due.clear();
    const bool dueNow = LookRechecks(due) || lookups_->HasFinished();
    // Sockets, the wake descriptor and the caller's descriptors all wait in the one set.
    const int ready = epoll_wait(epollFd_, events_.data(), static_cast<int>(events_.size()), dueNow ? 0 : timeoutMs);
    for (int index = 0; index < ready; ++index) {
        const epoll_event& event = events_[static_cast<std::size_t>(index)];
        if (event.data.u64 == kWakeTag) DrainWake();
        if (event.data.u64 == kWakeTag || event.data.u64 == kAlsoTag) continue;
        detail::Evaluate(this, detail::ItemOfTag(event.data.u64), static_cast<short>(event.events), due);
    }
    auto answers = lookups_->TakeFinished();
    // Handed out from a vector of its own, in case a handler polls again.
    std::vector<detail::Notification> handing;
    handing.swap(due_);
    for (const auto& notification : handing)
        handler({notification.message, notification.socket, notification.word, {}});
    for (const auto& answer : answers) handler(answer);
    const int count = static_cast<int>(handing.size() + answers.size());
    handing.clear();
    if (due_.capacity() < handing.capacity()) due_.swap(handing);  // keep the room for the next poll
    return count;
}

bool AsyncDispatcher::LookRechecks(std::vector<detail::Notification>& due) {
    detail::TakeRechecks(this, rechecks_);
    if (rechecks_.empty()) return false;
    pollFds_.clear();
    bool readyNow = false;
    for (const auto& item : rechecks_) {
        pollFds_.push_back({item.readyNow ? -1 : item.socket, item.events, 0});
        readyNow = readyNow || item.readyNow;
    }
    if (poll(pollFds_.data(), pollFds_.size(), 0) < 0) {
        for (auto& fd : pollFds_) fd.revents = 0;
    }
    const std::size_t before = due.size();
    for (std::size_t index = 0; index < rechecks_.size(); ++index) {
        const short revents = pollFds_[index].revents;
        if (revents != 0 || rechecks_[index].readyNow) detail::Evaluate(this, rechecks_[index], revents, due);
    }
    return readyNow || due.size() > before;
}

void AsyncDispatcher::WatchAlso(std::span<const int> alsoWatch) {
    if (std::equal(alsoWatch.begin(), alsoWatch.end(), watched_.begin(), watched_.end())) return;
    for (int fd : watched_) epoll_ctl(epollFd_, EPOLL_CTL_DEL, fd, nullptr);
    watched_.assign(alsoWatch.begin(), alsoWatch.end());
    for (int fd : watched_) WatchInSet(fd, kAlsoTag);
}

void AsyncDispatcher::WatchInSet(int fd, uint64_t tag) {
    epoll_event event{};
    event.events = EPOLLIN;  // level-triggered: readable until drained
    event.data.u64 = tag;
    epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd, &event);
}

void AsyncDispatcher::Wake() {
    uint64_t one = 1;
    [[maybe_unused]] auto n = write(wakeFd_, &one, sizeof one);
}

void AsyncDispatcher::DrainWake() {
    uint64_t count = 0;
    [[maybe_unused]] auto n = read(wakeFd_, &count, sizeof count);
}

}  // namespace platform
