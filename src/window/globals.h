// The window framework's process-wide and per-thread objects: the error
// manager that knows which window procedure is running, and the request and
// response bytes through which procedures hand each other a task.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace window {

/// Requests and responses of window procedures.
enum RequestCode : uint8_t {
    kRequestNone = 0,
    kRequestCompleted = 1,  // the window closed through its closing button
    kRequestCancelled = 2,  // the window closed any other way
};

/// Severity levels returned by the window manager's methods.
constexpr int kLevelBenign = 0;
constexpr int kLevelFatal = 3;   // from TakeEvent: the event loop ends
constexpr int kLevelNotify = 5;  // from Kill: the manager was killed already

/// The framework's error manager; window procedures register by name so that
/// reports can say where they came from. Window thread only.
class ErrorClass {
public:
    void SetProcedureName(std::string_view name) { procedure_ = name; }
    const std::string& ProcedureName() const { return procedure_; }

private:
    std::string procedure_;
};

extern ErrorClass GlobalErrors;
/// Request handed to the next window procedure (per thread, 0 at thread start).
extern thread_local uint8_t GlobalRequest;
/// Response of the window procedure that returned last.
extern thread_local uint8_t GlobalResponse;
/// Navigation request of the framework (unused by this program's window).
extern thread_local int32_t VCRRequest;

}  // namespace window
