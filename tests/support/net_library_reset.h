// Puts the network library back to the state of a new process, so a test
// that started and stopped it leaves nothing to the next one.
// Call after the callback window has ended and this thread's queue is empty.
#pragma once

#include "net/connection/unique_events.h"
#include "net/engine/simple_engine.h"
#include "netcore/net_critical.h"
#include "netcore/net_log_testing.h"
#include "netcore/net_memory.h"

namespace testsupport {

inline void ResetNetLibrary() {
    ResetNetLoggingForTests();
    ResetUniqueEventsForTests();
    ResetSimpleEngineForTests();
    NetCriticalHold hold;
    NetMemory = NETDLL::NetMemoryType{};
}

}  // namespace testsupport
