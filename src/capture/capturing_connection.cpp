#include "capture/capturing_connection.h"

#include <arpa/inet.h>

#include <vector>

#include "platform/sockets.h"

namespace capture {
namespace {

/// Host byte order of an address the sockets layer gives in network order.
Endpoint FromSocketAddress(const platform::SockAddrIn& address) {
    return {ntohl(address.sin_addr), ntohs(address.sin_port)};
}

}  // namespace

void CapturingConnection::NoteConnection() {
    if (capture_.Connection()) return;
    const platform::SocketHandle socket = Connection_.Socket;
    platform::SockAddrIn local;
    platform::SockAddrIn remote;
    if (platform::getsockname(socket, local) != 0 || platform::getpeername(socket, remote) != 0) return;
    capture_.Connected(FromSocketAddress(local), FromSocketAddress(remote));
}

void CapturingConnection::Send() {
    const std::string_view frame = Packet.Data();
    std::vector<uint8_t> bytes(frame.begin(), frame.end());
    MyC::Send();
    if (Error != 0 || bytes.empty()) return;  // nothing went to the socket engine
    NoteConnection();
    capture_.Sent(bytes);
}

void CapturingConnection::Process() {
    if (Packet.PacketType == NET::SimpleAsyncOpenSuccessful) NoteConnection();
    if (Packet.PacketType == NET::SimplePartialDataPacket) {
        NoteConnection();
        const std::string_view data = Packet.Data();
        capture_.Received({reinterpret_cast<const uint8_t*>(data.data()), data.size()});
    }
    MyC::Process();
}

void CapturingConnection::Close() {
    capture_.Closed(false);
    MyC::Close();
}

void CapturingConnection::Abort() {
    capture_.Closed(false);
    MyC::Abort();
}

void CapturingConnection::ConnectionClosed() {
    capture_.Closed(true);
    MyC::ConnectionClosed();
}

std::unique_ptr<MyC> MakeCapturingConnection(TestData& data, TestWindowServices& window, TcpCapture& capture) {
    return std::make_unique<CapturingConnection>(data, window, capture);
}

}  // namespace capture
