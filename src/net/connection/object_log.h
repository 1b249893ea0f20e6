// An object line composed only when the object's switches let it through:
// the per-packet lines of a connection cost nothing while logging is off.
// Owner thread of the object.
#pragma once

#include <fmt/format.h>

#include <cstdint>
#include <string_view>
#include <utility>

#include "netcore/net_all.h"

template <class... Args>
void ObjectLine(NetAll_& object, std::string_view function, int32_t errorType, fmt::format_string<Args...> text,
                Args&&... args) {
    if (!object.LogWanted(errorType)) return;
    object.Log(fmt::format(text, std::forward<Args>(args)...), function, errorType);
}
