#include "platform/host_lookup.h"

#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>

namespace platform {
namespace {

constexpr std::size_t kMaxNameLength = 255;  // the DNS limit

/// RFC 6761: ".invalid" names never resolve, so no resolver is asked.
bool IsReservedInvalid(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    while (!name.empty() && name.back() == '.') name.pop_back();
    constexpr std::string_view kSuffix = ".invalid";
    return name == "invalid" || (name.size() > kSuffix.size() && name.ends_with(kSuffix));
}

void AddUnique(std::vector<uint32_t>& addresses, uint32_t address) {
    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) addresses.push_back(address);
}

int32_t Resolve(const std::string& name, HostEntry& entry) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_CANONNAME;
    addrinfo* found = nullptr;
    int result = getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (result != 0) return FailWith(WinsockErrorFromResolver(result, errno));
    std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, freeaddrinfo);
    entry = HostEntry{};
    entry.name = found->ai_canonname != nullptr ? found->ai_canonname : name;
    for (auto* item = found; item != nullptr; item = item->ai_next) {
        if (item->ai_family != AF_INET) continue;
        AddUnique(entry.addresses, reinterpret_cast<const sockaddr_in*>(item->ai_addr)->sin_addr.s_addr);
    }
    return entry.addresses.empty() ? FailWith(WSANO_DATA) : 0;
}

}  // namespace

int32_t gethostname(std::string& name) {
    char buffer[kMaxNameLength + 1] = {};
    if (::gethostname(buffer, sizeof buffer - 1) != 0) return FailWithErrno();
    name = buffer;
    return 0;
}

int32_t gethostbyname(const std::string& name, HostEntry& entry) {
    std::string wanted = name;
    if (wanted.empty() && gethostname(wanted) != 0) return SOCKET_ERROR;
    if (wanted.size() > kMaxNameLength || IsReservedInvalid(wanted)) return FailWith(WSAHOST_NOT_FOUND);
    return Resolve(wanted, entry);
}

int32_t gethostbyaddr(uint32_t address, HostEntry& entry) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = address;
    char host[NI_MAXHOST] = {};
    int result = getnameinfo(reinterpret_cast<const sockaddr*>(&target), sizeof target, host, sizeof host, nullptr, 0,
                             NI_NAMEREQD);
    if (result != 0) return FailWith(WinsockErrorFromResolver(result, errno));
    entry = HostEntry{host, {address}};
    return 0;
}

int32_t HostEntryLength(const HostEntry& entry) {
    // A 32-bit host entry: the record (16 bytes), the name and its zero, an
    // empty alias list (one null pointer), the address pointers and their
    // null, and the 4-byte addresses.
    std::size_t count = entry.addresses.size();
    return static_cast<int32_t>(16 + entry.name.size() + 1 + 4 + (count + 1) * 4 + count * 4);
}

}  // namespace platform
