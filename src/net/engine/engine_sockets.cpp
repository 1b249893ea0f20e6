// The engine's requests to the callback window, and the answer buffers of
// its background lookups. Lock held by every caller.
#include "net/engine/engine_sockets.h"

#include <map>
#include <memory>

#include "net/callback/callback_pump.h"
#include "net/engine/simple_engine.h"
#include "netcore/net_memory.h"
#include "platform/async_dispatcher.h"

namespace {

/// Answer buffers by task handle, from the request until the answer was read
/// or the lookup ended otherwise.
std::map<int32_t, std::unique_ptr<platform::HostEntry>> LookupAnswers;

}  // namespace

int32_t EngineAsyncSelect(int32_t socket, int32_t message, int32_t events) {
    return WSAAsyncSelect(socket, NetMemory.CallBackWindowClientHandle, message, events);
}

int32_t EngineAsyncGetHostByName(const std::string& name) {
    auto answer = std::make_unique<platform::HostEntry>();
    const int32_t handle =
        WSAAsyncGetHostByName(NetMemory.CallBackWindowClientHandle, NET::SimpleAsyncDNSMessage, name, answer.get());
    if (handle != 0) LookupAnswers[handle] = std::move(answer);
    return handle;
}

int32_t EngineCancelAsyncRequest(int32_t handle) { return WSACancelAsyncRequest(handle); }

bool EngineTakeLookupAnswer(int32_t handle, uint32_t* address) {
    auto found = LookupAnswers.find(handle);
    if (found == LookupAnswers.end()) return false;
    const bool any = !found->second->addresses.empty();
    *address = any ? found->second->addresses.front() : 0;
    LookupAnswers.erase(found);
    return any;
}

void EngineDropLookupAnswer(int32_t handle) { LookupAnswers.erase(handle); }
