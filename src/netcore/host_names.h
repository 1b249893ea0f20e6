// The local machine's host name and IPv4 addresses, and the blocking lookup
// that turns a host name into an address text or an address text into a name.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace NETDLL {
struct AutoLocalIPsType {
    int32_t HostIP = 0;  ///< IPv4 address, network byte order
};
}  // namespace NETDLL

/// The local IPv4 addresses in the resolver's order. Guarded by the library lock.
extern std::vector<NETDLL::AutoLocalIPsType> QAutoLocalIPs;

/// Refreshes NetMemory.HostName, NetMemory.NetName and QAutoLocalIPs; with
/// `NoDebugInfo` 0 it writes its information lines. Non-zero when the local
/// name resolved. The caller holds the library lock.
int32_t GetOurHostNameAndIP(int32_t NoDebugInfo);

/// A name gives the dotted text of its first address; a dotted address gives
/// the name registered for it; "" when the lookup fails. At most 80
/// characters. Blocks until the resolver answers. Any thread may call.
std::string DNSBlocking(std::string_view Host);

/// The operating system's computer name: the static host name configured in
/// /etc/hostname, or nothing when there is none. Tests replace the source.
std::optional<std::string> NetComputerName();
void SetComputerNameSourceForTests(std::function<std::optional<std::string>()> source);
/// Replaces the sockets layer's local host name (nullptr: the real one again).
void SetHostNameSourceForTests(std::function<std::string()> source);
