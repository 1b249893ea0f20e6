// Background and blocking host lookups. Only names the machine answers by
// itself are used: "localhost" from the hosts file, and names in the reserved
// ".invalid" domain, which fail without asking any server.
#include <gtest/gtest.h>

#include "loopback.h"
#include "platform/async_dispatcher.h"
#include "platform/host_lookup.h"

namespace platform {
namespace {

using loopback::Pump;

const uint32_t kLoopback = inet_addr("127.0.0.1");

TEST(HostLookup, BlockingLookupsAnswerFromTheHostsFile) {
    HostEntry entry;
    ASSERT_EQ(gethostbyname("localhost", entry), 0);
    ASSERT_FALSE(entry.addresses.empty());
    EXPECT_EQ(entry.addresses[0], kLoopback);
    ASSERT_EQ(gethostbyaddr(kLoopback, entry), 0);
    EXPECT_FALSE(entry.name.empty());
    EXPECT_EQ(inet_addr(entry.name), INADDR_NONE_VALUE);  // a name, not an address
    EXPECT_EQ(entry.addresses, std::vector<uint32_t>{kLoopback});
}

TEST(HostLookup, ReservedInvalidNamesFailAtOnce) {
    HostEntry entry;
    for (const char* name : {"plc.invalid", "PLC.INVALID.", "invalid", "a.b.invalid"}) {
        EXPECT_EQ(gethostbyname(name, entry), SOCKET_ERROR) << name;
        EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND) << name;
    }
    EXPECT_EQ(gethostbyname(std::string(300, 'a'), entry), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
}

TEST(HostLookup, TheLocalNameIsKnownAndAnEmptyNameMeansIt) {
    std::string name;
    ASSERT_EQ(gethostname(name), 0);
    EXPECT_FALSE(name.empty());
    HostEntry byName;
    HostEntry byEmpty;
    EXPECT_EQ(gethostbyname(name, byName), gethostbyname("", byEmpty));
    EXPECT_EQ(byName.addresses, byEmpty.addresses);
}

TEST(HostLookup, AnswerLengthIsThatOfAWindowsHostEntry) {
    EXPECT_EQ(HostEntryLength({"localhost", {kLoopback}}), 16 + 10 + 4 + 8 + 4);
}

TEST(AsyncLookup, LocalhostArrivesAs3109WithTheHandleAndTheAddress) {
    AsyncDispatcher dispatcher;
    Pump pump(dispatcher);
    int32_t handle = dispatcher.AsyncGetHostByName("localhost");
    ASSERT_NE(handle, 0);
    ASSERT_TRUE(pump.UntilCount(1));
    const AsyncMessage& answer = pump.messages[0];
    EXPECT_EQ(answer.message, 3109);
    EXPECT_EQ(answer.wParam, handle);
    EXPECT_EQ(SelectError(answer.lParam), 0);
    EXPECT_EQ(SelectEvent(answer.lParam), HostEntryLength(answer.answer));
    ASSERT_FALSE(answer.answer.addresses.empty());
    EXPECT_EQ(answer.answer.addresses[0], kLoopback);
    EXPECT_EQ(pump.Now(), 0);
}

TEST(AsyncLookup, ANameThatDoesNotResolveArrivesWithHostNotFound) {
    AsyncDispatcher dispatcher;
    Pump pump(dispatcher);
    int32_t handle = dispatcher.AsyncGetHostByName("no-such-plc.invalid", 3200);
    ASSERT_TRUE(pump.UntilCount(1));
    EXPECT_EQ(pump.messages[0].message, 3200);
    EXPECT_EQ(pump.messages[0].wParam, handle);
    EXPECT_EQ(pump.messages[0].lParam, 11001 << 16);
    EXPECT_TRUE(pump.messages[0].answer.addresses.empty());
}

TEST(AsyncLookup, ACancelledLookupDeliversNothing) {
    std::vector<int32_t> handles;
    {
        AsyncDispatcher dispatcher;
        Pump pump(dispatcher);
        int32_t cancelled = dispatcher.AsyncGetHostByName("localhost");
        ASSERT_EQ(dispatcher.CancelAsyncRequest(cancelled), 0);
        int32_t kept = dispatcher.AsyncGetHostByName("localhost");
        ASSERT_NE(kept, cancelled);
        ASSERT_TRUE(pump.UntilCount(1));
        EXPECT_EQ(dispatcher.CancelAsyncRequest(cancelled), SOCKET_ERROR);
        EXPECT_EQ(WSAGetLastError(), WSAEALREADY);
        // A lookup resolved but not yet handed out is dropped too.
        int32_t late = dispatcher.AsyncGetHostByName("done.invalid");
        ASSERT_TRUE(pump.Until([&] { return dispatcher.CancelAsyncRequest(late) == 0; }));
        EXPECT_EQ(pump.Now(), 0);
        for (const auto& m : pump.messages) handles.push_back(m.wParam);
        EXPECT_EQ(handles, std::vector<int32_t>{kept});
    }
}

TEST(AsyncLookup, UnknownHandlesCannotBeCancelled) {
    AsyncDispatcher dispatcher;
    EXPECT_EQ(dispatcher.CancelAsyncRequest(0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    EXPECT_EQ(dispatcher.CancelAsyncRequest(-5), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
}

TEST(AsyncLookup, ManyLookupsAllArriveAndShutdownJoinsTheThreads) {
    AsyncDispatcher dispatcher;
    Pump pump(dispatcher);
    std::set<int32_t> handles;
    for (int i = 0; i < 40; ++i) {
        handles.insert(dispatcher.AsyncGetHostByName(i % 2 == 0 ? "localhost" : "x.invalid"));
    }
    ASSERT_TRUE(pump.UntilCount(40));
    std::set<int32_t> arrived;
    for (const auto& m : pump.messages) arrived.insert(m.wParam);
    EXPECT_EQ(arrived, handles);
    for (int i = 0; i < 10; ++i) dispatcher.AsyncGetHostByName("localhost");  // left waiting at destruction
}

}  // namespace
}  // namespace platform
