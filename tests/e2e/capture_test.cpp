// The window with --capture: its connection is the capturing MyC, and what it
// sent and received decodes in tshark as Modbus/TCP between its real ports.
#include "capture/capturing_connection.h"
#include "child_process.h"
#include "e2e_fixture.h"

namespace e2e {
namespace {

TEST_F(EndToEndTest, CaptureHoldsTheWindowsRequestAndReply) {
    if (!sim::testing::OnPath("tshark")) GTEST_SKIP() << "tshark is not installed (scripts/install-deps.sh)";
    const std::string file = (dir / "window.pcap").string();
    std::string error;
    auto pcap = capture::TcpCapture::Create(file, error);
    ASSERT_TRUE(pcap) << error;
    window::TestWindowParts parts = ProgramParts();
    parts.connection = [&](TestData& data, TestWindowServices& services) {
        return capture::MakeCapturingConnection(data, services, *pcap);
    };
    WriteSettings(SimulatorSettings());
    window = std::make_unique<window::TestWindow>(host, std::move(parts));
    ASSERT_EQ(host.Start(window->ThisWindow), 0);
    OpenConnection();
    host.SelectTab("Tab_Inputs");
    host.Press("BRequestInputs");
    TickUntilAnswered();
    host.CloseBox();  // the window and its connection end before the capture does

    sim::testing::ChildProcess tshark({"tshark", "-r", file, "-d", "tcp.port==" + std::to_string(port) + ",mbtcp", "-Y",
                                       "mbtcp", "-T", "fields", "-e", "mbtcp.trans_id", "-e", "modbus.func_code", "-e",
                                       "tcp.dstport"});
    ASSERT_EQ(tshark.Wait(kBound * 6), 0) << tshark.Output();
    EXPECT_THAT(tshark.Output(), ::testing::HasSubstr("1\t1\t" + std::to_string(port) + "\n"));  // the request
    EXPECT_THAT(tshark.Output(), ::testing::HasSubstr("1\t1\t" + std::to_string(pcap->LocalPort()) + "\n"));
}

}  // namespace
}  // namespace e2e
