#include "netcore/net_critical.h"

#include "netcore/net_log_testing.h"

namespace {
std::atomic<bool> gLookupFails{false};
}  // namespace

void NetCriticalSection_::Wait(int32_t /*count*/) {
    // The section itself is ready once constructed; the flag records that the
    // lock has been put to use, which is what Release looks at.
    if (Initialized.load(std::memory_order_acquire) == 0) Initialized.store(1, std::memory_order_release);
    NetCriticalSectionData.Enter();
}

void NetCriticalSection_::Release(int32_t /*count*/) {
    if (Initialized.load(std::memory_order_acquire) != 1) return;
    NetCriticalSectionData.Leave();
}

void NetCriticalSection_::Log(std::string_view /*text*/) {}

NetCriticalSection_* NetGet_NetCriticalSection() {
    if (gLookupFails.load(std::memory_order_relaxed)) return nullptr;
    // Never destroyed: threads may still take the lock while the process ends.
    static auto* const instance = new NetCriticalSection_();
    return instance;
}

void FailNetCriticalLookupForTests(bool fail) { gLookupFails.store(fail, std::memory_order_relaxed); }
