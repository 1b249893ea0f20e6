#include "platform/debug_output.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace platform {
namespace {

class StandardErrorSink : public DebugSink {
public:
    void Line(std::string_view line) override {
        std::string whole(line);
        whole += '\n';
        // One write per line keeps lines of different threads apart.
        [[maybe_unused]] auto n = write(STDERR_FILENO, whole.data(), whole.size());
    }
};

StandardErrorSink gStandardError;
std::atomic<DebugSink*> gSink{&gStandardError};
std::mutex gOrder;  // call order across threads is the order lines reach the sink

}  // namespace

void DebugOutput(std::string_view line) {
    std::lock_guard lock(gOrder);
    gSink.load(std::memory_order_acquire)->Line(line);
}

void SetDebugSink(DebugSink* sink) {
    std::lock_guard lock(gOrder);
    gSink.store(sink ? sink : &gStandardError, std::memory_order_release);
}

void CapturingSink::Line(std::string_view line) {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line);
}

std::vector<std::string> CapturingSink::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

void CapturingSink::Clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

bool CapturingSink::Contains(std::string_view text) const {
    std::lock_guard lock(mutex_);
    return std::any_of(lines_.begin(), lines_.end(),
                       [&](const std::string& l) { return l.find(text) != std::string::npos; });
}

}  // namespace platform
