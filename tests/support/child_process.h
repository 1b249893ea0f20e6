// A child process for the tests, with its standard output and error in one pipe.
// Every wait is bounded; a child still running at destruction is killed and reaped.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace sim::testing {

/// True when `program` is an executable file in some directory of PATH.
inline bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream directories(path != nullptr ? path : "");
    for (std::string directory; std::getline(directories, directory, ':');) {
        if (access((directory + "/" + program).c_str(), X_OK) == 0) return true;
    }
    return false;
}

class ChildProcess {
public:
    /// Starts `arguments` in `directory` (empty: this process's working directory).
    explicit ChildProcess(const std::vector<std::string>& arguments, const std::string& directory = {}) {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) return;
        readEnd_ = ends[0];
        std::vector<char*> argv;
        for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
        if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
        if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
    }
    ~ChildProcess() {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (readEnd_ >= 0) close(readEnd_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }
    /// Stops reading the child's output: its next write finds the pipe broken.
    void CloseOutput() {
        if (readEnd_ >= 0) close(readEnd_);
        readEnd_ = -1;
    }
    const std::string& Output() const { return output_; }
    void Signal(int number) {
        if (pid_ > 0 && !status_) kill(pid_, number);
    }

    /// Reads output until it contains `text`; false when it does not within `timeout`.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (output_.find(text) == std::string::npos) {
            if (!ReadSome(deadline)) return false;
        }
        return true;
    }

    /// Exit code (or 128 + signal) once the child ends; nothing if it outlives `timeout`.
    std::optional<int> Wait(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (ReadSome(deadline)) {
        }  // the pipe closes when the child exits
        int status = 0;
        while (!status_ && std::chrono::steady_clock::now() < deadline) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            } else {
                poll(nullptr, 0, 5);
            }
        }
        return status_;
    }

private:
    bool ReadSome(std::chrono::steady_clock::time_point deadline) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd entry{readEnd_, POLLIN, 0};
        if (readEnd_ < 0 || left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) != 1) return false;
        char chunk[1024];
        const ssize_t got = read(readEnd_, chunk, sizeof chunk);
        if (got <= 0) return false;
        output_.append(chunk, static_cast<std::size_t>(got));
        return true;
    }

    pid_t pid_ = -1;
    int readEnd_ = -1;
    std::string output_;
    std::optional<int> status_;
};

}  // namespace sim::testing
