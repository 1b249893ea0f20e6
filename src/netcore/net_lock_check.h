// The library lock's entry in the checked thread rules (platform/thread_check.h).
#pragma once

#include "netcore/net_critical.h"
#include "platform/thread_check.h"

/// Aborts in checked builds unless the calling thread holds the library lock.
#define BRACKWATER_ASSERT_LOCK_HELD()                                           \
    BRACKWATER_ASSERT_RULE(NetGet_NetCriticalSection()->HeldByThisThread() > 0, \
                           "a thread that holds the library "                   \
                           "lock")
