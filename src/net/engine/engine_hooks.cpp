#include "net/engine/engine_hooks.h"

NETDLL::EngineHooksType& NetEngineHooks() {
    static NETDLL::EngineHooksType hooks;
    return hooks;
}
