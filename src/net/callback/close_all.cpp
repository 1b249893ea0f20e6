// Closing everything: every socket of the library is closed and its lists
// emptied. The unique events are kept.
#include "net/callback/callback_thread.h"
#include "net/callback/callback_window.h"
#include "net/engine/engine_hooks.h"
#include "netcore/net_critical.h"
#include "netcore/net_log.h"
#include "netcore/net_memory.h"
#include "netcore/net_startup.h"

void CloseAll() {
    NetCriticalHold hold;
    WriteToLog("Information: Closing All", "CloseAll", NET::ErrorLine);
    WriteToLog("Information: Closing Sockets", "CloseAll", NET::ErrorLine);
    const auto& hooks = NetEngineHooks();
    if (hooks.CloseAllClientSockets) hooks.CloseAllClientSockets();
    if (hooks.EmptyDataLists) hooks.EmptyDataLists();
    if (NetMemory.LogAll == 1) WriteToLog("End of function - That's all folks", "CloseAll", 0);
}

namespace {

// Library shutdown lives below this library; it reaches CloseAll and the
// callback thread through these hooks, set whenever this file is linked in
// (which it is wherever the callback window can be loaded).
[[maybe_unused]] const bool kRegistered = [] {
    NetSetShutdownHooks({&CloseAll, &StopCallBackWindowAtExit});
    return true;
}();

}  // namespace
