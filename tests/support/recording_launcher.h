// A shell launcher that keeps every argument vector instead of starting a program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/shell_execute.h"

namespace testsupport {

/// Keeps every argument vector and answers with a chosen shell result.
class RecordingLauncher : public platform::ShellLauncher {
public:
    int32_t Launch(const std::vector<std::string>& argv) override {
        launched.push_back(argv);
        return result;
    }
    std::vector<std::vector<std::string>> launched;
    int32_t result = platform::kShellOk;
};

}  // namespace testsupport
