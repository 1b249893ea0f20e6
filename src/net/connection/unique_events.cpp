#include "net/connection/unique_events.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string>

#include "netcore/net_critical.h"
#include "netcore/net_log.h"
#include "netcore/net_memory.h"

std::vector<NETDLL::UniqueEventsType> UniqueEventsQueue;
int32_t NetUniqueEventFreeCounter = 0;

namespace {

// Guarded by the library lock, as the list is.
int32_t gCursor = 0;
bool gExhausted = false;

void Detail(const std::string& text, std::string_view function) {
    if (NetMemory.LogAll == 1) WriteToLog(text, function, 0);
}

NETDLL::UniqueEventsType* Find(int32_t baseEvent) {
    auto it = std::find_if(UniqueEventsQueue.begin(), UniqueEventsQueue.end(),
                           [baseEvent](const auto& record) { return record.BaseEvent == baseEvent; });
    return it == UniqueEventsQueue.end() ? nullptr : &*it;
}

/// Once the numbers up to the limit are used up: the number released longest
/// ago, taken back into use, or nothing when none is released.
std::optional<int32_t> ReuseSearch() {
    gExhausted = true;
    std::stable_sort(UniqueEventsQueue.begin(), UniqueEventsQueue.end(),
                     [](const auto& a, const auto& b) { return a.FreeCounter < b.FreeCounter; });
    for (auto& record : UniqueEventsQueue) {
        if (record.FreeCounter <= 0) continue;
        record.FreeCounter = 0;
        gCursor = record.BaseEvent;
        Detail("Unique event (on second parse) = " + std::to_string(gCursor), "NetGetUniqueEvent");
        return gCursor;
    }
    WriteToLog(
        "Warning. More events requested than we bargained for. Will give a unique event, but it's greater than " +
            std::to_string(NET::GreatestUniqueEvent) + " and will get re-used more quickly.",
        "NetGetUniqueEvent", NET::ErrorLine);
    return std::nullopt;
}

/// Adds a record for the cursor; on failure the cursor becomes 0.
void AddCursorRecord() {
    try {
        UniqueEventsQueue.push_back({gCursor, 0});
    } catch (const std::bad_alloc&) {
        WriteToLog("Error adding to UniqueEventsQueue : " + std::to_string(-1), "NetGetUniqueEvent", NET::ErrorLine);
        gCursor = 0;
    }
}

/// Walks the cursor up to the first number without a record.
/// `searched` tells whether the reuse search has already run during this call.
std::optional<int32_t> NextFreeNumber(bool searched) {
    while (Find(gCursor) != nullptr) {
        gCursor += NET::UniqueEventStep;
        if (!searched && gCursor > NET::GreatestUniqueEvent) {
            searched = true;
            if (auto reused = ReuseSearch()) return reused;
        }
    }
    AddCursorRecord();
    return std::nullopt;
}

}  // namespace

int32_t NetGetUniqueEvent() {
    NetCriticalHold hold;
    if (gCursor == 0) gCursor = NET::FirstUniqueEvent;
    bool searched = false;
    if (gCursor > NET::GreatestUniqueEvent || gExhausted) {
        searched = true;
        if (auto reused = ReuseSearch()) return *reused;
    }
    if (auto reused = NextFreeNumber(searched)) return *reused;
    Detail("Unique event = " + std::to_string(gCursor), "NetGetUniqueEvent");
    return gCursor;
}

void NetFreeUniqueEvent(int32_t BaseEvent) {
    NetCriticalHold hold;
    auto* record = Find(BaseEvent);
    if (record == nullptr) {
        WriteToLog("Error event " + std::to_string(BaseEvent) + " not found in UniqueEventsQueue", "NetFreeUniqueEvent",
                   NET::ErrorLine);
        return;
    }
    Detail("Freeing Unique event = " + std::to_string(BaseEvent), "NetFreeUniqueEvent");
    ++NetUniqueEventFreeCounter;
    record->FreeCounter = NetUniqueEventFreeCounter;
}

void ResetUniqueEventsForTests() {
    NetCriticalHold hold;
    UniqueEventsQueue.clear();
    NetUniqueEventFreeCounter = 0;
    gCursor = 0;
    gExhausted = false;
}
