// The real brackwater-cli executable against a DL06 simulator that the test
// runs in-process on an ephemeral 127.0.0.1 port. Every run of the program is
// bounded; the simulator records the requests it receives.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "child_process.h"
#include "sim/simulator.h"

namespace cli::testing {

using namespace std::chrono_literals;

inline const std::string kCli = BRACKWATER_CLI_PATH;

struct Outcome {
    int status = -1;
    std::string output;  // standard output and error together
};

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        simulator.SetRequestObserver([this](const sim::RequestRecord& record) {
            std::lock_guard lock(mutex_);
            requests_.push_back(std::to_string(record.request.function) + " " + std::to_string(record.request.start) +
                                " " + std::to_string(record.request.quantity));
        });
        std::string error;
        ASSERT_TRUE(simulator.Start(&error)) << error;
    }

    std::string Port() const { return std::to_string(simulator.Port()); }

    /// Runs the program at the simulator with `arguments` and waits (bounded) for its end.
    Outcome Run(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {kCli, "--port", Port()});
        return RunAsIs(arguments);
    }
    static Outcome RunAsIs(const std::vector<std::string>& arguments) {
        sim::testing::ChildProcess program(arguments);
        const auto status = program.Wait(30s);
        return {status.value_or(-1), program.Output()};
    }

    /// "fc start qty" of every request the simulator received, in order.
    std::vector<std::string> Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

    std::mutex mutex_;
    std::vector<std::string> requests_;  // declared before the simulator, whose thread writes it
    sim::Dl06Simulator simulator;
};

}  // namespace cli::testing
