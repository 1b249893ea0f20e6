#include "net/connection/net_simple.h"

#include <gtest/gtest.h>

#include "netcore/net_codes.h"

namespace {

TEST(NetSimple, StartsEmptyAndInitSetsTheClientDefaults) {
    NetSimple connection;
    EXPECT_EQ(connection.OpenFlag, 0);
    EXPECT_EQ(connection.Connection_.LocalIP, "<unknown>");
    connection.Init(NET::SimpleClient);
    EXPECT_EQ(connection.Initalised_, 1);
    EXPECT_EQ(connection.AsyncOpenUse, 1);
    EXPECT_EQ(connection.AsyncOpenTimeOut, 1200);
    EXPECT_EQ(connection.SSLCertificateOptions.Size_, 5224);
    EXPECT_EQ(connection.SSLCertificateOptions.CARootFile, ".\\CARoot.pem");
    EXPECT_NE(connection.Connection_.NotifyThread, 0);
    connection.Kill();
    EXPECT_EQ(connection.Connection_.NotifyThread, 0);
}

TEST(NetSimple, OpenAndSendBeforeInitAreRefused) {
    NetSimple connection;
    connection.Open("127.0.0.1", 502);
    EXPECT_EQ(connection.Error, NET::kInitNotCalled);
    EXPECT_EQ(connection.OpenFlag, 0);
    connection.Send();
    EXPECT_EQ(connection.Error, NET::kInitNotCalled);
}

TEST(NetSimple, OpenWhileOpeningIsRefused) {
    NetSimple connection;
    connection.Init(NET::SimpleClient);
    connection.AsyncOpenBusy = 1;
    connection.Open("127.0.0.1", 502);
    EXPECT_EQ(connection.Error, NET::kAlreadyOpen);
    EXPECT_EQ(connection.AsyncOpenBusy, 1);
}

TEST(NetSimple, SendChecksLengthAndState) {
    NetSimple connection;
    connection.Init(NET::SimpleClient);
    connection.Packet.BinDataLen = 16385;
    connection.Send();
    EXPECT_EQ(connection.Error, NET::kInvalidStructureSize);
    connection.Packet.BinDataLen = 12;
    connection.Send();
    EXPECT_EQ(connection.Error, NET::kNotOpen);
    connection.OpenFlag = 1;
    connection.Packet.BinDataLen = 0;
    connection.Send();
    EXPECT_EQ(connection.Error, NET::kInvalidStructureSize);
    connection.Packet.BinDataLen = 12;
    connection.Send();
    EXPECT_EQ(connection.Error, NET::kHostOrSocketNotSet);
    EXPECT_NE(connection.ErrorString.View(), "");
}

TEST(NetSimple, PacketDataIsHeldToTheBuffer) {
    NET::SimplePacketType packet;
    packet.BinData = "abc";
    packet.BinDataLen = 2;
    EXPECT_EQ(packet.Data(), "ab");
    packet.BinDataLen = -5;
    EXPECT_EQ(packet.Data(), "");
    packet.BinDataLen = 20000;
    EXPECT_EQ(packet.Data().size(), 16384u);
}

}  // namespace
