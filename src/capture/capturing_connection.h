// The test window's connection MyC with every frame it sends and every piece
// of data it receives written to a capture. It hooks the two places all
// traffic passes: Send (the frame exactly as handed to the socket engine,
// header in wire order) and Process (the received bytes exactly as one read
// of the socket delivered them, before reply processing takes them apart).
// The endpoints come from the connection's own socket when its open succeeds.
//
// Window thread only, like the connection.
#pragma once

#include <memory>
#include <string>

#include "capture/tcp_capture.h"
#include "modbus/test_connection.h"

namespace capture {

class CapturingConnection : public MyC {
public:
    CapturingConnection(TestData& data, TestWindowServices& window, TcpCapture& capture)
        : MyC(data, window), capture_(capture) {}

    void Send() override;
    void Process() override;
    void Close() override;
    void Abort() override;
    void ConnectionClosed() override;

private:
    /// Starts the capture's connection from the socket's addresses, if not yet done.
    void NoteConnection();

    TcpCapture& capture_;
};

/// What makes the window's connection (TestWindowParts::connection) or the
/// command line's: a CapturingConnection writing to `capture`.
std::unique_ptr<MyC> MakeCapturingConnection(TestData& data, TestWindowServices& window, TcpCapture& capture);

}  // namespace capture
