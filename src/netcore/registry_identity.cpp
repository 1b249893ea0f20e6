// The library's identity under the current user (GUID, description, run
// counter) and the machine-wide DHCP media-sense setting.
#include <charconv>
#include <cstring>
#include <random>
#include <string>

#include "netcore/net_log.h"
#include "netcore/net_memory.h"
#include "netcore/net_registry.h"
#include "netcore/net_startup.h"
#include "platform/clock.h"

namespace {

constexpr std::string_view kIdentityKey = "Software\\Sparlin\\GUID";
constexpr std::string_view kTcpipKey = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
constexpr std::string_view kMediaSenseHelp =
    " See: https://learn.microsoft.com/troubleshoot/windows-server/networking/disable-media-sensing-feature-for-tcpip";

std::string Bytes(const void* data, std::size_t size) { return std::string(static_cast<const char*>(data), size); }

int32_t Int32At(const std::string& bytes, std::size_t offset) {
    int32_t number = 0;
    if (bytes.size() >= offset + sizeof number) std::memcpy(&number, bytes.data() + offset, sizeof number);
    return number;
}

std::string GetUser(std::string_view entry, int32_t type, uint8_t& found) {
    return NetGetRegistry(NET::HKEY_CURRENT_USER, kIdentityKey, entry, type, found);
}

/// GUID1: days since 1 January 2000 (plus 1) times 100000 plus the second of the day.
int32_t NewGuid1() {
    const int64_t days = platform::TheClock().Today().Serial() - platform::Date{2000, 1, 1}.Serial() + 1;
    const int64_t seconds = (platform::ClockTime() - 1) / 100;
    return static_cast<int32_t>(static_cast<uint32_t>(days * 100000 + seconds));
}

void EstablishGuid() {
    uint8_t found = 0;
    std::string stored = GetUser("GUID", NET::REG_BINARY, found);
    if (found == 0 || stored.size() < 8) {
        AddToLog(
            " DLLStartUp() : Having to create a new GUID for this machine. This GUID will be stored in the registry.");
        std::random_device seed;
        std::mt19937 random(seed());
        const int32_t guid[2] = {NewGuid1(), static_cast<int32_t>(random())};
        const std::string bytes = Bytes(guid, sizeof guid);
        NetSetRegistry(NET::HKEY_CURRENT_USER, kIdentityKey, "GUID", bytes, NET::REG_BINARY);
        stored = GetUser("GUID", NET::REG_BINARY, found);
        AddToLog(found == 1 && stored == bytes ? " DLLStartUp() : GUID stored in Registry."
                                               : " DLLStartUp() : Error. Could not store GUID in the registry.");
        stored = bytes;
    }
    NetMemory.NetID.GUID1 = Int32At(stored, 0);
    NetMemory.NetID.GUID2 = Int32At(stored, 4);
}

/// Owner " at " organisation, whichever of them exists, or "<no description>".
std::string DescriptionFromWindows() {
    auto read = [](std::string_view key, std::string_view entry) {
        uint8_t found = 0;
        return NetGetRegistry(NET::HKEY_LOCAL_MACHINE, key, entry, NET::REG_SZ, found);
    };
    std::string_view key = "Software\\Microsoft\\Windows\\CurrentVersion";
    std::string owner = read(key, "RegisteredOwner");
    if (owner.empty()) {
        key = "Software\\Microsoft\\Windows NT\\CurrentVersion";
        owner = read(key, "RegisteredOwner");
    }
    const std::string organisation = read(key, "RegisteredOrganization");
    if (!owner.empty() && !organisation.empty()) return owner + " at " + organisation;
    if (!owner.empty()) return owner;
    if (!organisation.empty()) return organisation;
    return "<no description>";
}

void EstablishDescription() {
    uint8_t found = 0;
    std::string description = GetUser("Description", NET::REG_SZ, found);
    if (found == 0) {
        description = DescriptionFromWindows();
        NetSetRegistry(NET::HKEY_CURRENT_USER, kIdentityKey, "Description", description, NET::REG_SZ);
    }
    NetMemory.Description = std::string_view(description).substr(0, 79);
}

void CountThisRun() {
    uint8_t found = 0;
    const int32_t runId = Int32At(GetUser("RUNID", NET::REG_BINARY, found), 0) + 1;
    NetSetRegistry(NET::HKEY_CURRENT_USER, kIdentityKey, "RUNID", Bytes(&runId, sizeof runId), NET::REG_BINARY);
    const std::string back = GetUser("RUNID", NET::REG_BINARY, found);
    if (found == 0 || back.size() < sizeof runId || Int32At(back, 0) != runId)
        AddToLog(
            " DLLStartUp() : Error. Could not write to the registry (HKEY_CURRENT_USER\\Software\\Sparlin\\GUID). "
            "Some Sparlin objects may not work correctly.");
    NetMemory.NetID.RunID = runId;
}

int32_t GetTcpip(std::string_view entry, uint8_t& found) {
    const std::string text = NetGetRegistry(NET::HKEY_LOCAL_MACHINE, kTcpipKey, entry, NET::REG_DWORD, found);
    int64_t number = 0;
    if (found == 1) std::from_chars(text.data(), text.data() + text.size(), number);
    return static_cast<int32_t>(number);
}

void SetTcpip(std::string_view entry, int32_t value) {
    NetSetRegistry(NET::HKEY_LOCAL_MACHINE, kTcpipKey, entry, std::to_string(value), NET::REG_DWORD);
}

}  // namespace

void RegistryProcessing() {
    EstablishGuid();
    EstablishDescription();
    CountThisRun();
    NetMemory.NetID.SPort = NetMemory.DefaultSPort;
    NetMemory.NetID.DGPort = NetMemory.DefaultDGPort;
}

void DisableMediaSense() {
    uint8_t found = 0;
    GetTcpip("SparlinDontChangeMediaSense", found);
    if (found == 0) SetTcpip("SparlinDontChangeMediaSense", 0);
    if (GetTcpip("DisableDHCPMediaSense", found) != 0) return;
    if (GetTcpip("SparlinDontChangeMediaSense", found) == 1) {
        AddToLog(
            std::string(" DLLStartUp() : Warning. Windows is using Media Sense. This could cause your Network to "
                        "appear disabled. This will cause Sparlin to behave unpredictably. The "
                        "SparlinDontChangeMediaSense registry string prevents Sparlin from disabling Media Sense.") +
            std::string(kMediaSenseHelp));
        return;
    }
    SetTcpip("DisableDHCPMediaSense", 1);
    SetTcpip("SparlinDontChangeMediaSense", 0);
    if (GetTcpip("DisableDHCPMediaSense", found) == 1)
        AddToLog(" DLLStartUp() : Sparlin has successfully disabled Media Sense option in registry." +
                 std::string(kMediaSenseHelp));
    else
        AddToLog(
            " DLLStartUp() : Error. Windows is using Media Sense. Sparlin was unable to disable Media Sense "
            "(probably no registry permissions)." +
            std::string(kMediaSenseHelp));
}
