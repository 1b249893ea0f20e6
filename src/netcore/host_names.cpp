#include "netcore/host_names.h"

#include <algorithm>
#include <cctype>
#include <fstream>

#include "netcore/net_error_str.h"
#include "netcore/net_log.h"
#include "netcore/net_memory.h"
#include "platform/fixed_text.h"
#include "platform/host_lookup.h"
#include "platform/sockets.h"

std::vector<NETDLL::AutoLocalIPsType> QAutoLocalIPs;

namespace {

constexpr std::size_t kMaxName = 80;

// Replaced only by tests, before any other thread of the library runs.
std::function<std::optional<std::string>()> gComputerNameSource;
std::function<std::string()> gHostNameSource;

std::string LocalHostName() {
    if (gHostNameSource) return gHostNameSource();
    std::string host;
    if (platform::gethostname(host) != 0) host.clear();
    return host;
}

std::string LowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::optional<std::string> StaticHostName() {
    std::ifstream file("/etc/hostname");
    std::string name;
    if (!std::getline(file, name)) return std::nullopt;
    name = std::string(platform::TrimRight(name));
    if (name.empty()) return std::nullopt;
    return name;
}

/// Step 5: a computer name that differs from the host name replaces it, in lower case.
void PreferComputerName(bool informationLines) {
    const auto computer = NetComputerName();
    const std::string host = NetMemory.HostName.Str();
    if (!computer || computer->empty() || LowerCase(*computer) == LowerCase(host)) return;
    if (informationLines)
        WriteToLog("Warning. The Host Name (" + host + ") and Computer Name (" + *computer +
                       ") are different. Will use the Computer Name.",
                   "GetOurHostNameAndIP", 0);
    NetMemory.HostName = LowerCase(std::string(platform::TrimRight(*computer)));
}

}  // namespace

std::optional<std::string> NetComputerName() { return gComputerNameSource ? gComputerNameSource() : StaticHostName(); }

void SetComputerNameSourceForTests(std::function<std::optional<std::string>()> source) {
    gComputerNameSource = std::move(source);
}

void SetHostNameSourceForTests(std::function<std::string()> source) { gHostNameSource = std::move(source); }

int32_t GetOurHostNameAndIP(int32_t NoDebugInfo) {
    const bool informationLines = NoDebugInfo == 0 && NetMemory.Logging == 1;
    QAutoLocalIPs.clear();
    const std::string host = LocalHostName();
    NetMemory.HostName = host;
    platform::HostEntry entry;
    const int32_t code = platform::gethostbyname(NetMemory.HostName.Str(), entry);
    if (NetMemory.NetName.View().empty()) NetMemory.NetName = NetMemory.HostName.View();
    std::string addresses;
    if (code == 0) {
        for (uint32_t address : entry.addresses) {
            QAutoLocalIPs.push_back({static_cast<int32_t>(address)});
            if (NetMemory.LogAll == 1 && NoDebugInfo == 0) addresses += " " + platform::inet_ntoa(address);
        }
    } else {
        // The lookup returns SOCKET_ERROR; its reason is the sockets layer's last error.
        WriteToLog("Could not GetHostByName(). Error = " + NetErrorStr(platform::WSAGetLastError()),
                   "GetOurHostNameAndIP", NET::ErrorLine);
    }
    PreferComputerName(informationLines);
    if (informationLines)
        WriteToLog("Running on Host Name = " + NetMemory.HostName.Str() + " with Host IP List = " + addresses,
                   "GetOurHostNameAndIP", 0);
    return code == 0 ? 1 : 0;
}

std::string DNSBlocking(std::string_view Host) {
    const std::string host(platform::TrimRight(Host).substr(0, kMaxName));
    std::string result;
    platform::HostEntry entry;
    const uint32_t address = platform::inet_addr(host);
    if (address != platform::INADDR_NONE_VALUE) {
        if (platform::gethostbyaddr(address, entry) == 0) result = entry.name;
    } else if (platform::gethostbyname(host, entry) == 0 && !entry.addresses.empty() && entry.addresses.front() != 0) {
        result = platform::inet_ntoa(entry.addresses.front());
    }
    if (result.size() > kMaxName) result.resize(kMaxName);
    if (NetMemory.Logging == 1)
        WriteToLog("Trying a DNS lookup of Host = " + host + " Result = " + result, "DNSblocking", 0);
    return result;
}
