// Checked thread rules. A function that belongs to one thread, or that needs
// the library lock, says so with an assertion, after muduo's
// assertInLoopThread; a broken rule aborts with a line that names the function
// and the thread it belongs to. The checks are on in debug builds and in every
// build configured with BRACKWATER_THREAD_CHECKS (the presets turn it on, so
// the tests always run checked); otherwise each check is one load and branch.
#pragma once

#include "platform/threads.h"

namespace platform {

/// True when this build checks its thread rules. Set once, at compile time.
extern const bool kThreadChecks;

/// Writes "Thread rule broken: <function> ran on thread <n>; it must run on
/// <expected>." to standard error and aborts. Any thread may call.
[[noreturn]] void ThreadRuleBroken(const char* function, const char* expected);

}  // namespace platform

/// Aborts unless `rule` holds on the calling thread; `expected` names the thread.
#define BRACKWATER_ASSERT_RULE(rule, expected)                     \
    ((!::platform::kThreadChecks || (rule)) ? static_cast<void>(0) \
                                            : ::platform::ThreadRuleBroken(__PRETTY_FUNCTION__, expected))

/// Aborts unless the calling thread has the number `thread`. A `thread` of 0
/// passes: nothing owns the function yet (an object before its Init).
#define BRACKWATER_ASSERT_THREAD(thread, expected) \
    BRACKWATER_ASSERT_RULE((thread) == 0 || ::platform::ThisThread() == (thread), expected)
