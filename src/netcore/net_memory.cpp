#include "netcore/net_memory.h"

// Constant-initialised, so start-up code in other modules may use it at once.
constinit NETDLL::NetMemoryType NetMemory;
