// Opening a link target with the program the desktop has registered for it.
//
// ShellExecuteA hands the target to `xdg-open` (or, when a program is named,
// starts that program with the target as its one argument). Processes are
// started with posix_spawn and an argument vector, never through a shell
// command line, so no character of a target is ever interpreted.
//
// The outcome is a shell result code: above 32 is success; 2 when no opener
// is found; the other codes below 33 name the kind of failure.
//
// Tests install their own launcher (ScopedShellLauncher) so that nothing is
// ever opened on the machine that runs them. Any thread may call.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

/// Shell result codes (values below 33 are failures).
inline constexpr int32_t kShellOk = 42;
inline constexpr int32_t kShellOutOfMemory = 0;
inline constexpr int32_t kShellFileNotFound = 2;
inline constexpr int32_t kShellPathNotFound = 3;
inline constexpr int32_t kShellAccessDenied = 5;
inline constexpr int32_t kShellNotEnoughMemory = 8;
inline constexpr int32_t kShellAssociationIncomplete = 27;
inline constexpr int32_t kShellNoAssociation = 31;

/// The opener used for targets that name no program.
inline constexpr std::string_view kDefaultOpener = "xdg-open";

/// Starts one process from an argument vector (argv[0] is the program) and
/// returns a shell result code.
class ShellLauncher {
public:
    virtual ~ShellLauncher() = default;
    virtual int32_t Launch(const std::vector<std::string>& argv) = 0;
    /// True when Launch may keep its caller waiting for long (a window
    /// thread then calls it from a thread of its own).
    virtual bool MayWait() const { return false; }
};

/// The real launcher: posix_spawnp, then a bounded wait for the opener's exit
/// status (xdg-open returns once it has handed the target on). An opener that
/// is still running after `waitMilliseconds` counts as success and is reaped
/// in the background.
class SpawnLauncher : public ShellLauncher {
public:
    explicit SpawnLauncher(int waitMilliseconds = 5000) : waitMilliseconds_(waitMilliseconds) {}
    int32_t Launch(const std::vector<std::string>& argv) override;
    bool MayWait() const override { return waitMilliseconds_ > 0; }

private:
    int waitMilliseconds_;
};

/// The exit status of an opener turned into a shell result code
/// (xdg-open: 0 done, 1 bad syntax, 2 no such file, 3 no tool, 4 action failed).
int32_t ShellResultFromExitStatus(int exitStatus);
/// A failed spawn's errno turned into a shell result code.
int32_t ShellResultFromSpawnError(int error);

/// True when the launcher in force may keep ShellExecuteA's caller waiting.
bool ShellMayWait();

/// Puts `launcher` in force (nullptr restores the real one). The caller keeps ownership.
void SetShellLauncher(ShellLauncher* launcher);

/// RAII: a launcher in force for a scope (tests).
class ScopedShellLauncher {
public:
    explicit ScopedShellLauncher(ShellLauncher& launcher) { SetShellLauncher(&launcher); }
    ~ScopedShellLauncher() { SetShellLauncher(nullptr); }
    ScopedShellLauncher(const ScopedShellLauncher&) = delete;
    ScopedShellLauncher& operator=(const ScopedShellLauncher&) = delete;
};

/// Show commands; only "shown normally" is used.
inline constexpr int32_t SW_SHOWNORMAL = 1;

/// Opens `file` with its registered program, or, when `parameters` is not
/// empty, starts the program `file` (quotes around it are removed) with
/// `parameters` as its one argument. `owner`, `verb`, `directory` and
/// `showCommand` are accepted for the caller's sake; only the default verb
/// ("" or "open") is supported, any other gives kShellNoAssociation.
/// A target that is empty, or begins with '-' (it would read as an option),
/// gives kShellFileNotFound without starting anything.
int32_t ShellExecuteA(const void* owner, std::string_view verb, std::string_view file, std::string_view parameters,
                      std::string_view directory, int32_t showCommand);

}  // namespace platform
