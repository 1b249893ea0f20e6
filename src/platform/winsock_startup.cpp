// WSAStartup and WSACleanup of the sockets stand-in: version negotiation and
// a count of starts. The layer needs no start to work; the count only lets
// the library see its own bookkeeping as Windows would show it.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/sockets.h"

namespace platform {
namespace {

struct Layer {
    std::mutex mutex;
    uint16_t offered = 0x0202;  // major << 8 | minor
    int32_t starts = 0;
};

Layer& TheLayer() {
    static Layer layer;
    return layer;
}

constexpr uint16_t kLowestVersion = 0x0101;

template <std::size_t N>
void Copy(std::array<char, N>& field, const char* text) {
    field.fill('\0');
    std::strncpy(field.data(), text, N - 1);
}

void Fill(WSAData& data, uint16_t version, uint16_t offered) {
    data = WSAData{};
    data.VersionMajor = static_cast<uint8_t>(version >> 8);
    data.VersionMinor = static_cast<uint8_t>(version & 0xff);
    data.HighMajor = static_cast<uint8_t>(offered >> 8);
    data.HighMinor = static_cast<uint8_t>(offered & 0xff);
    Copy(data.szDescription, "Brackwater sockets layer (POSIX, IPv4)");
    Copy(data.szSystemStatus, "Running");
    data.iMaxSockets = 0;  // no fixed limit, as Windows Sockets 2 reports
    data.iMaxUdpDg = 0;
}

}  // namespace

int32_t WSAStartup(uint8_t major, uint8_t minor, WSAData& data) {
    auto& layer = TheLayer();
    std::lock_guard lock(layer.mutex);
    uint16_t requested = static_cast<uint16_t>(major << 8 | minor);
    if (layer.offered < kLowestVersion) return WSASYSNOTREADY;
    if (requested < kLowestVersion) {
        Fill(data, layer.offered, layer.offered);
        return WSAVERNOTSUPPORTED;
    }
    Fill(data, std::min(requested, layer.offered), layer.offered);
    ++layer.starts;
    return 0;
}

int32_t WSACleanup() {
    auto& layer = TheLayer();
    std::lock_guard lock(layer.mutex);
    if (layer.starts == 0) return FailWith(WSANOTINITIALISED);
    --layer.starts;
    return 0;
}

int32_t WinsockStartCount() {
    auto& layer = TheLayer();
    std::lock_guard lock(layer.mutex);
    return layer.starts;
}

void SetOfferedWinsockVersion(uint8_t major, uint8_t minor) {
    auto& layer = TheLayer();
    std::lock_guard lock(layer.mutex);
    layer.offered = static_cast<uint16_t>(major << 8 | minor);
}

}  // namespace platform
