#include "platform/shell_execute.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <thread>

extern char** environ;

namespace platform {
namespace {

SpawnLauncher gRealLauncher;
std::atomic<ShellLauncher*> gLauncher{nullptr};

ShellLauncher& Launcher() {
    ShellLauncher* installed = gLauncher.load();
    return installed ? *installed : gRealLauncher;
}

/// Waits up to `milliseconds` for `pid`; true with its status when it ended.
bool WaitBounded(pid_t pid, int milliseconds, int& status) {
    constexpr int kStepMilliseconds = 10;
    for (int waited = 0;; waited += kStepMilliseconds) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return true;
        if (done < 0 && errno != EINTR) return false;
        if (waited >= milliseconds) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kStepMilliseconds));
    }
}

/// An opener that keeps running (a browser started in the foreground) must not
/// hold the caller; it is reaped by a background thread so no zombie remains.
void ReapLater(pid_t pid) {
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

std::string_view WithoutQuotes(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    return text;
}

bool IsDefaultVerb(std::string_view verb) {
    if (verb.empty()) return true;
    if (verb.size() != 4) return false;
    std::string lower;
    for (char c : verb) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower == "open";
}

}  // namespace

int32_t ShellResultFromExitStatus(int exitStatus) {
    switch (exitStatus) {
        case 0:
            return kShellOk;
        case 1:
            return kShellAssociationIncomplete;
        case 2:
            return kShellFileNotFound;
        case 3:
            return kShellNoAssociation;
        default:
            return kShellNoAssociation;
    }
}

int32_t ShellResultFromSpawnError(int error) {
    switch (error) {
        case ENOENT:
            return kShellFileNotFound;
        case ENOTDIR:
            return kShellPathNotFound;
        case EACCES:
        case EPERM:
            return kShellAccessDenied;
        case ENOMEM:
            return kShellNotEnoughMemory;
        default:
            return kShellOutOfMemory;
    }
}

int32_t SpawnLauncher::Launch(const std::vector<std::string>& argv) {
    if (argv.empty() || argv.front().empty()) return kShellFileNotFound;
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    int error = ::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
    if (error != 0) return ShellResultFromSpawnError(error);
    int status = 0;
    if (!WaitBounded(pid, waitMilliseconds_, status)) {
        ReapLater(pid);
        return kShellOk;
    }
    if (WIFEXITED(status)) return ShellResultFromExitStatus(WEXITSTATUS(status));
    return kShellNoAssociation;  // the opener was killed by a signal
}

void SetShellLauncher(ShellLauncher* launcher) { gLauncher.store(launcher); }

bool ShellMayWait() { return Launcher().MayWait(); }

int32_t ShellExecuteA(const void* /*owner*/, std::string_view verb, std::string_view file, std::string_view parameters,
                      std::string_view /*directory*/, int32_t /*showCommand*/) {
    if (!IsDefaultVerb(verb)) return kShellNoAssociation;
    std::string_view program = WithoutQuotes(file);
    if (program.empty()) return kShellFileNotFound;
    if (parameters.empty()) {
        if (program.front() == '-') return kShellFileNotFound;
        return Launcher().Launch({std::string(kDefaultOpener), std::string(program)});
    }
    if (parameters.front() == '-') return kShellFileNotFound;
    return Launcher().Launch({std::string(program), std::string(parameters)});
}

}  // namespace platform
