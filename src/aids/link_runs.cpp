#include "aids/link_runs.h"

#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/shell_execute.h"
#include "platform/threads.h"

namespace aids {

struct LinkRuns::Shared {
    std::mutex mutex;
    std::vector<LinkOutcome> done;
};

LinkRuns::LinkRuns() : shared_(std::make_shared<Shared>()) {}

bool LinkRuns::Start(const std::string& file, const std::string& parameters, const std::string& command) {
    const int owner = platform::ThisThread();
    auto run = [shared = shared_, owner, file, parameters, command]() mutable {
        const int32_t result = platform::ShellExecuteA(nullptr, "", file, parameters, "", platform::SW_SHOWNORMAL);
        {
            std::lock_guard lock(shared->mutex);
            shared->done.push_back({result, std::move(command)});
        }
        platform::PostEvent(event::kLinkOutcome, owner);  // fails harmlessly once the window thread is gone
    };
    try {
        std::thread(std::move(run)).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

std::vector<LinkOutcome> LinkRuns::Take() {
    std::lock_guard lock(shared_->mutex);
    return std::exchange(shared_->done, {});
}

}  // namespace aids
