// Device inquiries through "BTD0:": results, buffer sizes, and ending a lookup from anywhere.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "sim/radio.h"
#include "stack_client.h"
#include "support/sim_world.h"

namespace {

using simtest::Stack;

constexpr DWORD kGenerous = 10000;

const char* const kNeighbourhood = R"({"devices": [
  {"name": "Phone", "address": "00:12:AB:34:CD:56", "class": "0x5A020C"},
  {"name": "Gone", "address": "00:00:00:00:00:02", "in_range": false},
  {"name": "Hidden", "address": "00:00:00:00:00:03", "answers_inquiry": false},
  {"name": "Köln GPS", "address": "00:0B:0D:87:65:43", "class": "0x001F00"}]})";

bool Inside(const void* p, const std::vector<std::uint64_t>& buffer, std::size_t size) {
    auto* at = static_cast<const std::uint8_t*>(p);
    auto* begin = reinterpret_cast<const std::uint8_t*>(buffer.data());
    return at >= begin && at + size <= begin + buffer.size() * 8;
}

TEST(RadioInquiry, ReturnsReachableAnsweringDevicesInWorldOrderThenNoMore) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kNeighbourhood));
    Stack stack;
    HANDLE lookup = nullptr;
    ASSERT_EQ(stack.BeginInquiry(&lookup), 0u);
    ASSERT_NE(lookup, nullptr);

    struct Expected { BT_ADDR address; unsigned cod; std::wstring name; };
    for (const Expected& want : {Expected{0x0012AB34CD56, 0x5A020C, L"Phone"}, Expected{0x000B0D876543, 0x1F00, L"Köln GPS"}}) {
        std::vector<std::uint64_t> buffer;
        DWORD length = 1024;
        ASSERT_EQ(stack.Next(lookup, buffer, &length), 0u);
        const WSAQUERYSETW& head = simtest::Head(buffer);
        EXPECT_EQ(head.dwSize, sizeof(WSAQUERYSETW));
        EXPECT_EQ(head.dwNameSpace, NS_BTH);
        ASSERT_TRUE(Inside(head.lpszServiceInstanceName, buffer, (want.name.size() + 1) * sizeof(wchar_t)));
        EXPECT_EQ(std::wstring(head.lpszServiceInstanceName), want.name);
        ASSERT_EQ(head.dwNumberOfCsAddrs, 1u);
        ASSERT_TRUE(Inside(head.lpcsaBuffer, buffer, sizeof(CSADDR_INFO)));
        const SOCKADDR_BTH* remote = head.lpcsaBuffer->RemoteAddr.lpSockaddr;
        ASSERT_TRUE(Inside(remote, buffer, sizeof(SOCKADDR_BTH)));
        EXPECT_EQ(remote->addressFamily, AF_BTH);
        EXPECT_EQ(remote->btAddr, want.address);
        ASSERT_TRUE(Inside(head.lpBlob, buffer, sizeof(BLOB)));
        ASSERT_EQ(head.lpBlob->cbSize, sizeof(BthInquiryResult));
        ASSERT_TRUE(Inside(head.lpBlob->pBlobData, buffer, sizeof(BthInquiryResult)));
        const auto* result = reinterpret_cast<const BthInquiryResult*>(head.lpBlob->pBlobData);
        EXPECT_EQ(result->ba, want.address);
        EXPECT_EQ(result->cod, want.cod);
    }
    std::vector<std::uint64_t> buffer;
    DWORD length = 1024;
    EXPECT_EQ(stack.Next(lookup, buffer, &length), WSA_E_NO_MORE);
    EXPECT_EQ(stack.End(lookup), 0u);
}

TEST(RadioInquiry, ShortBufferGetsTheSizeNeededAndKeepsTheDevice) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kNeighbourhood));
    Stack stack;
    HANDLE lookup = nullptr;
    ASSERT_EQ(stack.BeginInquiry(&lookup), 0u);
    std::vector<std::uint64_t> buffer;
    DWORD length = 0;  // no buffer at all: a size probe
    ASSERT_EQ(stack.Next(lookup, buffer, &length), WSAEFAULT);
    const DWORD needed = length;
    EXPECT_GT(needed, sizeof(WSAQUERYSETW) + 6 * sizeof(wchar_t));
    length = needed - 1;
    ASSERT_EQ(stack.Next(lookup, buffer, &length), WSAEFAULT);
    EXPECT_EQ(length, needed);
    ASSERT_EQ(stack.Next(lookup, buffer, &length), 0u);
    EXPECT_EQ(std::wstring(simtest::Head(buffer).lpszServiceInstanceName), L"Phone");
    EXPECT_EQ(stack.End(lookup), 0u);
}

TEST(RadioInquiry, LongNamesAreCutAtACharacterBoundary) {
    sim::World world;
    sim::WorldDevice device;
    device.address = 1;
    for (int i = 0; i < 125; ++i) device.name += "é";  // 250 bytes
    world.devices.push_back(device);
    sim::UseWorld(world);
    Stack stack;
    HANDLE lookup = nullptr;
    ASSERT_EQ(stack.BeginInquiry(&lookup), 0u);
    std::vector<std::uint64_t> buffer;
    DWORD length = 4096;
    ASSERT_EQ(stack.Next(lookup, buffer, &length), 0u);
    EXPECT_EQ(std::wstring(simtest::Head(buffer).lpszServiceInstanceName), std::wstring(124, L'é'));
    EXPECT_EQ(stack.End(lookup), 0u);
}

TEST(RadioInquiry, BadHandlesAndQueriesAreRefused) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kNeighbourhood));
    Stack stack;
    HANDLE lookup = nullptr;
    ASSERT_EQ(stack.BeginInquiry(&lookup), 0u);
    EXPECT_EQ(stack.End(lookup), 0u);
    EXPECT_EQ(stack.End(lookup), WSAEINVAL);
    EXPECT_EQ(stack.End(nullptr), WSAEINVAL);
    std::vector<std::uint64_t> buffer;
    DWORD length = 1024;
    EXPECT_EQ(stack.Next(lookup, buffer, &length), WSAEINVAL);

    HANDLE second = nullptr;
    ASSERT_EQ(stack.BeginInquiry(&second), 0u);
    EXPECT_NE(second, lookup);  // never reused
    EXPECT_EQ(stack.End(second), 0u);

    WSAQUERYSETW query{};
    query.dwNameSpace = NS_BTH + 1;
    BthCallBlock block;
    block.querySet = &query;
    block.flags = LUP_CONTAINERS;
    EXPECT_EQ(stack.Request(bth::kNsLookupServiceBegin, block), WSAEINVAL);
    block.querySet = nullptr;
    EXPECT_EQ(stack.Request(bth::kNsLookupServiceBegin, block), WSAEINVAL);
}

// Ending the lookup, or replacing the world, releases a Next waiting for a long inquiry.
TEST(RadioInquiry, EndOrResetReleasesANextWaitingForTheInquiry) {
    const std::string longInquiry = R"({"timing": {"inquiry_ms": 60000}, "devices": [{"address": "00:00:00:00:00:01"}]})";
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(longInquiry));
    Stack stack;
    for (bool byReset : {false, true}) {
        HANDLE lookup = nullptr;
        ASSERT_EQ(stack.BeginInquiry(&lookup), 0u);
        DWORD result = 0;
        std::thread waiter([&] {
            std::vector<std::uint64_t> buffer;
            DWORD length = 1024;
            result = stack.Next(lookup, buffer, &length);
        });
        ASSERT_TRUE(sim::Radio::Instance().AwaitBlockedRequests(1, kGenerous));
        if (byReset) ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(longInquiry));
        else EXPECT_EQ(stack.End(lookup), 0u);
        waiter.join();
        EXPECT_EQ(result, WSA_E_CANCELLED) << (byReset ? "reset" : "end");
        EXPECT_EQ(stack.End(lookup), WSAEINVAL);
    }
}

// Run under TSan: End racing Next on the same lookup.
TEST(RadioInquiry, EndRacingNextIsSafe) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kNeighbourhood));
    Stack stack;
    for (int round = 0; round < 50; ++round) {
        HANDLE lookup = nullptr;
        ASSERT_EQ(stack.BeginInquiry(&lookup), 0u);
        std::thread reader([&] {
            std::vector<std::uint64_t> buffer;
            for (;;) {
                DWORD length = 1024;
                DWORD error = stack.Next(lookup, buffer, &length);
                if (error == 0) continue;
                EXPECT_TRUE(error == WSA_E_NO_MORE || error == WSAEINVAL || error == WSA_E_CANCELLED) << error;
                return;
            }
        });
        EXPECT_EQ(stack.End(lookup), 0u);
        reader.join();
    }
}

}  // namespace
