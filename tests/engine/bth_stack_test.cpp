#include <gtest/gtest.h>

#include "engine/frame/bth_stack.h"
#include "platform/kernel/last_error.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

void UseWorldWithStack(bool stack) {
    testsupport::UseWorld(std::string(R"({"adapter": {"address": "AA:BB:CC:DD:EE:FF", "stack": )") +
                          (stack ? "true" : "false") + "}}");
}

TEST(BthStack, WithoutTheStackDeviceEveryRequestReportsServiceNotActiveUntilItAppears) {
    UseWorldWithStack(false);
    BT_ADDR address = 7;
    EXPECT_EQ(BthReadLocalAddr(&address), static_cast<int>(ERROR_SERVICE_NOT_ACTIVE));
    EXPECT_EQ(address, 7u);
    HANDLE lookup = nullptr;
    EXPECT_EQ(BthNsLookupServiceBegin(nullptr, 0, &lookup), -1);
    EXPECT_EQ(GetLastError(), ERROR_SERVICE_NOT_ACTIVE);

    UseWorldWithStack(true);
    EXPECT_EQ(BthReadLocalAddr(&address), 0);
    EXPECT_EQ(address, 0xAABBCCDDEEFFull);
}

TEST(BthStack, PinLengthsOutsideOneToSixteenAreRefusedWithoutARequest) {
    UseWorldWithStack(true);
    unsigned char pin[17] = {'1', '2', '3', '4'};
    EXPECT_EQ(BthPairRequest(0x1234, 0, pin), static_cast<int>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(BthPairRequest(0x1234, 17, pin), static_cast<int>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(BthAnswerPairRequest(0x1234, -1, pin), static_cast<int>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(sim::Radio::Instance().adapter().pairRequests, 0u);
    BthPairRequest(0x1234, 16, pin);
    EXPECT_EQ(sim::Radio::Instance().adapter().pairRequests, 1u);
}

std::vector<bth::BasebandLink> Links(int count) {
    std::vector<bth::BasebandLink> links;
    for (int i = 0; i < count; ++i)
        links.push_back({static_cast<std::uint16_t>(i + 1), 0xFFFF000000000000ull | static_cast<BT_ADDR>(i + 100), i,
                         i % 2 == 1, false, true, 2});
    return links;
}

TEST(BthStack, BasebandConnectionsReportTheCountAndRefuseAShortArray) {
    UseWorldWithStack(true);
    sim::Radio::Instance().SetBasebandLinks(Links(12));
    BASEBAND_CONNECTION connections[10] = {};
    connections[0].hConnection = 0x5555;
    int returned = -1;
    EXPECT_EQ(BthGetBasebandConnections(10, connections, &returned), static_cast<int>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(returned, 12);
    EXPECT_EQ(connections[0].hConnection, 0x5555);  // untouched
    EXPECT_EQ(BthGetBasebandConnections(-1, connections, &returned), static_cast<int>(ERROR_INVALID_PARAMETER));
}

TEST(BthStack, LargeRequestsUseAHeapBufferAndConvertEveryRecord) {
    UseWorldWithStack(true);
    sim::Radio::Instance().SetBasebandLinks(Links(40));
    std::vector<BASEBAND_CONNECTION> connections(40);
    for (auto& c : connections) c.fOther = 0x155;
    int returned = 0;
    ASSERT_EQ(BthGetBasebandConnections(40, connections.data(), &returned), 0);
    ASSERT_EQ(returned, 40);
    EXPECT_EQ(connections[39].hConnection, 40);
    EXPECT_EQ(connections[39].bta, 139u);  // only the 48 address bits
    EXPECT_EQ(connections[39].cDataPacketsPending, 39);
    EXPECT_EQ(connections[39].fLinkType, 1u);
    EXPECT_EQ(connections[38].fLinkType, 0u);
    EXPECT_EQ(connections[39].fAuthenticated, 1u);
    EXPECT_EQ(connections[39].fEncrypted, 0u);
    EXPECT_EQ(connections[39].fMode, 2u);
    EXPECT_EQ(connections[39].fOther, 0x155u);  // the caller's other bits stay
}

}  // namespace
