// Host names and blocking IPv4 lookups of the sockets stand-in.
//
// The lookups ask the system's resolver (files, then DNS, as configured) and
// block until it answers; the resolver's own time-outs bound them. Names in
// the reserved ".invalid" domain (RFC 6761) fail at once without asking it.
// Failures are Windows Sockets codes (WSAHOST_NOT_FOUND, WSATRY_AGAIN, ...),
// returned and left for WSAGetLastError. Any thread may call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/winsock_errors.h"

namespace platform {

/// What a lookup found: the official name and the IPv4 addresses (network
/// byte order) in the resolver's order.
struct HostEntry {
    std::string name;
    std::vector<uint32_t> addresses;
};

/// The local host name: 0, or SOCKET_ERROR.
int32_t gethostname(std::string& name);

/// Forward lookup of `name` (an empty name means this host): 0, or the code.
int32_t gethostbyname(const std::string& name, HostEntry& entry);

/// Reverse lookup of `address` (network byte order): 0 with the registered
/// name, or the code.
int32_t gethostbyaddr(uint32_t address, HostEntry& entry);

/// The bytes a Windows host entry with this content takes in an answer buffer
/// (the low word of a background lookup's notification).
int32_t HostEntryLength(const HostEntry& entry);

}  // namespace platform
