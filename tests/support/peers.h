// Independent peers some tests talk to (pymodbus, mbpoll). scripts/install-deps.sh
// installs them, so under ./test.sh (BRACKWATER_REQUIRE_PEERS=1) a missing peer
// fails its test: a fresh machine never passes by skipping. On a developer's
// partial machine, without the variable, the test is skipped.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string_view>

namespace testsupport {

inline bool PeersRequired() {
    const char* value = std::getenv("BRACKWATER_REQUIRE_PEERS");
    return value != nullptr && *value != '\0' && std::string_view(value) != "0";
}

}  // namespace testsupport

/// Ends the test (or its SetUp) because its peer is missing: a failure when
/// peers are required, a skip otherwise.
#define BRACKWATER_PEER_MISSING(why)                                                 \
    do {                                                                             \
        if (::testsupport::PeersRequired())                                          \
            GTEST_FAIL() << why << " (BRACKWATER_REQUIRE_PEERS is set: install it)"; \
        else                                                                         \
            GTEST_SKIP() << why;                                                     \
    } while (0)
