// Unique events: the event numbers that connection objects use for their
// notifications. Five consecutive numbers are reserved per record, from 2053
// upwards; a released number is handed out again only once the numbers up to
// 3077 are used up, the one released longest ago first.
#pragma once

#include <cstdint>
#include <vector>

namespace NETDLL {

struct UniqueEventsType {
    int32_t BaseEvent = 0;    ///< the number handed out (BaseEvent .. BaseEvent + 4 reserved)
    int32_t FreeCounter = 0;  ///< 0 while in use; NetUniqueEventFreeCounter at its release
};

}  // namespace NETDLL

namespace NET {
inline constexpr int32_t FirstUniqueEvent = 2053;     // 0805h
inline constexpr int32_t GreatestUniqueEvent = 3077;  // 0C05h
inline constexpr int32_t UniqueEventStep = 5;
}  // namespace NET

/// The records handed out so far; never shrinks. Guarded by the library lock.
extern std::vector<NETDLL::UniqueEventsType> UniqueEventsQueue;
/// Counts releases. Guarded by the library lock.
extern int32_t NetUniqueEventFreeCounter;

/// A free base event number, or 0 when the list cannot be extended. Any thread may call.
int32_t NetGetUniqueEvent();

/// Releases `BaseEvent`; a number that was never handed out changes nothing. Any thread may call.
void NetFreeUniqueEvent(int32_t BaseEvent);

/// For tests only: forgets every record, the counter, the cursor and the exhausted flag.
void ResetUniqueEventsForTests();
