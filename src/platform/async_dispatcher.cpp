#include "platform/async_dispatcher.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

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
    : wakeFd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)), lookups_(std::make_unique<Lookups>([this] { Wake(); })) {}

AsyncDispatcher::~AsyncDispatcher() {
    lookups_.reset();  // joins the lookup threads, which wake us
    detail::DropTarget(this);
    if (wakeFd_ >= 0) close(wakeFd_);
}

int32_t AsyncDispatcher::AsyncSelect(SocketHandle s, int32_t message, int32_t events) {
    if (!IsSocket(s)) return FailWith(WSAENOTSOCK);
    if (message != 0 && events != 0) {
        int flags = fcntl(s, F_GETFL);
        if (flags < 0 || fcntl(s, F_SETFL, flags | O_NONBLOCK) != 0) return FailWithErrno();
    }
    int32_t result = detail::Select(s, {this, wakeFd_}, message, events);
    return result == 0 ? 0 : FailWith(result);
}

int32_t AsyncDispatcher::AsyncGetHostByName(const std::string& name, int32_t message) {
    return lookups_->Start(name, message);
}

int32_t AsyncDispatcher::CancelAsyncRequest(int32_t handle) { return lookups_->Cancel(handle); }

int AsyncDispatcher::PollOnce(int timeoutMs, const AsyncHandler& handler, std::span<const int> alsoWatch) {
    auto items = detail::PollItems(this);
    std::vector<pollfd> fds;
    fds.reserve(1 + alsoWatch.size() + items.size());
    fds.push_back({wakeFd_, POLLIN, 0});
    for (int fd : alsoWatch) fds.push_back({fd, POLLIN, 0});
    bool dueNow = lookups_->HasFinished();
    for (const auto& item : items) {
        fds.push_back({item.readyNow ? -1 : item.socket, item.events, 0});
        dueNow = dueNow || item.readyNow;
    }
    if (poll(fds.data(), fds.size(), dueNow ? 0 : timeoutMs) < 0) {
        for (auto& fd : fds) fd.revents = 0;  // interrupted: look at what is due anyway
    }
    if (fds[0].revents != 0) DrainWake();

    std::vector<detail::Notification> due;
    std::size_t first = 1 + alsoWatch.size();
    for (std::size_t index = 0; index < items.size(); ++index) {
        short revents = fds[first + index].revents;
        if (revents != 0 || items[index].readyNow) detail::Evaluate(this, items[index], revents, due);
    }
    auto answers = lookups_->TakeFinished();
    detail::DispatchingScope dispatching(this);
    for (const auto& notification : due) handler({notification.message, notification.socket, notification.word, {}});
    for (const auto& answer : answers) handler(answer);
    return static_cast<int>(due.size() + answers.size());
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
