// The debug-output channel: one whole line per call, in call order.
// By default lines go to standard error, one write per line; tests install a
// capturing sink. Any thread may call.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class DebugSink {
public:
    virtual ~DebugSink() = default;
    virtual void Line(std::string_view line) = 0;
};

/// Hands one line to the sink in force; lines never mix.
void DebugOutput(std::string_view line);

/// Puts `sink` in force (nullptr restores standard error). The caller keeps ownership.
void SetDebugSink(DebugSink* sink);

/// Keeps every line in order; for tests.
class CapturingSink : public DebugSink {
public:
    void Line(std::string_view line) override;
    std::vector<std::string> Lines() const;
    void Clear();
    /// True when some line contains `text`.
    bool Contains(std::string_view text) const;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

/// RAII: captures the debug output for a scope.
class ScopedCapture : public CapturingSink {
public:
    ScopedCapture() { SetDebugSink(this); }
    ~ScopedCapture() override { SetDebugSink(nullptr); }
    ScopedCapture(const ScopedCapture&) = delete;
    ScopedCapture& operator=(const ScopedCapture&) = delete;
};

}  // namespace platform
