#include "platform/thread_check.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace platform {

// Decided here only, so switching the checks on rebuilds this one file.
#if !defined(NDEBUG) || defined(BRACKWATER_THREAD_CHECKS)
extern const bool kThreadChecks = true;
#else
extern const bool kThreadChecks = false;
#endif

void ThreadRuleBroken(const char* function, const char* expected) {
    const std::string line = std::string("Thread rule broken: ") + function + " ran on thread " +
                             std::to_string(ThisThread()) + "; it must run on " + expected + ".\n";
    std::fputs(line.c_str(), stderr);
    std::abort();
}

}  // namespace platform
