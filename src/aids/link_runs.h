// Links run off the window thread. The desktop's opener may take seconds to
// answer (the real launcher waits for its exit status), so a link is handed
// to a thread of its own; its shell result comes back to the thread that
// started it as the posted event kLinkOutcome, on which the link takes the
// outcomes and shows the same message box it would have shown at once.
//
// Start and Take: the window thread. The runs' threads touch only the shared
// outcome list (under its own mutex) and post one event each.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace aids {

namespace event {
/// Posted to the window thread when a link run in the background has its shell result.
inline constexpr int32_t kLinkOutcome = 0x7D0;
}  // namespace event

/// What a finished run gave: the shell result and the command it was for.
struct LinkOutcome {
    int32_t result = 0;
    std::string command;
};

class LinkRuns {
public:
    LinkRuns();
    /// Opens `file` (with `parameters`, when a program is named) on a new
    /// thread. False when no thread could be had; the caller then runs it itself.
    bool Start(const std::string& file, const std::string& parameters, const std::string& command);
    /// The outcomes that have come back, oldest first.
    std::vector<LinkOutcome> Take();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;  // outlives this object while runs are under way
};

}  // namespace aids
