// Device inquiries: who answers, in which order, and ending a lookup from anywhere.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

constexpr DWORD kGenerous = 10000;

const char* const kNeighbourhood = R"({"devices": [
  {"name": "Phone", "address": "00:12:AB:34:CD:56", "class": "0x5A020C"},
  {"name": "Gone", "address": "00:00:00:00:00:02", "in_range": false},
  {"name": "Hidden", "address": "00:00:00:00:00:03", "answers_inquiry": false},
  {"name": "Köln GPS", "address": "00:0B:0D:87:65:43", "class": "0x001F00"}]})";

sim::Radio& Radio() { return sim::Radio::Instance(); }

TEST(RadioInquiry, ReturnsReachableAnsweringDevicesInWorldOrderThenNoMore) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kNeighbourhood));
    bth::LookupId lookup = 0;
    ASSERT_EQ(Radio().BeginInquiry(&lookup), 0u);
    struct Expected {
        BT_ADDR address;
        unsigned cod;
        std::wstring name;
    };
    for (const Expected& want :
         {Expected{0x0012AB34CD56, 0x5A020C, L"Phone"}, Expected{0x000B0D876543, 0x1F00, L"Köln GPS"}}) {
        bth::InquiryDevice device;
        ASSERT_EQ(Radio().NextInquiryDevice(lookup, &device), 0u);
        EXPECT_EQ(device.address, want.address);
        EXPECT_EQ(device.classOfDevice, want.cod);
        EXPECT_EQ(device.name, want.name);
    }
    bth::InquiryDevice device;
    EXPECT_EQ(Radio().NextInquiryDevice(lookup, &device), WSA_E_NO_MORE);
    std::vector<std::uint8_t> response;
    EXPECT_EQ(Radio().NextServiceResponse(lookup, &response), WSAEINVAL);  // not a service search
    EXPECT_EQ(Radio().EndLookup(lookup), 0u);
    EXPECT_EQ(Radio().EndLookup(lookup), WSAEINVAL);
    EXPECT_EQ(Radio().NextInquiryDevice(lookup, &device), WSAEINVAL);

    bth::LookupId second = 0;
    ASSERT_EQ(Radio().BeginInquiry(&second), 0u);
    EXPECT_NE(second, lookup);  // never reused
    EXPECT_EQ(Radio().EndLookup(second), 0u);
}

// Ending the lookup, or replacing the world, releases a Next waiting for a long inquiry.
TEST(RadioInquiry, EndOrResetReleasesANextWaitingForTheInquiry) {
    const std::string longInquiry =
        R"({"timing": {"inquiry_ms": 60000}, "devices": [{"address": "00:00:00:00:00:01"}]})";
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(longInquiry));
    for (bool byReset : {false, true}) {
        bth::LookupId lookup = 0;
        ASSERT_EQ(Radio().BeginInquiry(&lookup), 0u);
        DWORD result = 0;
        std::thread waiter([&] {
            bth::InquiryDevice device;
            result = Radio().NextInquiryDevice(lookup, &device);
        });
        ASSERT_TRUE(Radio().AwaitBlockedRequests(1, kGenerous));
        if (byReset)
            ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(longInquiry));
        else
            EXPECT_EQ(Radio().EndLookup(lookup), 0u);
        waiter.join();
        EXPECT_EQ(result, WSA_E_CANCELLED) << (byReset ? "reset" : "end");
        EXPECT_EQ(Radio().EndLookup(lookup), WSAEINVAL);
    }
}

// Run under TSan: End racing Next on the same lookup.
TEST(RadioInquiry, EndRacingNextIsSafe) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kNeighbourhood));
    for (int round = 0; round < 50; ++round) {
        bth::LookupId lookup = 0;
        ASSERT_EQ(Radio().BeginInquiry(&lookup), 0u);
        std::thread reader([&] {
            bth::InquiryDevice device;
            for (;;) {
                const DWORD error = Radio().NextInquiryDevice(lookup, &device);
                if (error == 0) continue;
                EXPECT_TRUE(error == WSA_E_NO_MORE || error == WSAEINVAL || error == WSA_E_CANCELLED) << error;
                return;
            }
        });
        EXPECT_EQ(Radio().EndLookup(lookup), 0u);
        reader.join();
    }
}

}  // namespace
