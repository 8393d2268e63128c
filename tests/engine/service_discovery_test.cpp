#include <gtest/gtest.h>

#include <chrono>

#include "engine/device/device_local.h"
#include "engine/frame/error_codes.h"
#include "engine/service/service_distant.h"
#include "error_log.h"
#include "notification_log.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;
using testsupport::NotificationLog;
using testsupport::UseWorld;

struct Fixture {
    CDeviceLocal local;
    NotificationLog& log = NotificationLog::Attach();
    ErrorLog& errors = ErrorLog::Attach();

    // The services a discovery finds on the device, as (identifier, name).
    std::vector<std::pair<unsigned, CString>> Discover(BT_ADDR address) {
        CDeviceDistant* device = local.addDevice(address, CString(), 0, 0);
        size_t ends = log.Count(NOTIFY_INQUIRY_END);
        EXPECT_EQ(device->FindServices(), 1);
        EXPECT_TRUE(log.WaitFor(NOTIFY_INQUIRY_END, ends + 1));
        device->EndInquiry();  // the thread may still be on its way out after announcing the end
        EXPECT_EQ(device->GetFoundServices(), 1);
        std::vector<std::pair<unsigned, CString>> found;
        auto lock = device->ServicesLock();
        for (auto* service : device->GetServices()) found.emplace_back(service->GetID(), service->GetName());
        return found;
    }
};

using Found = std::vector<std::pair<unsigned, CString>>;

TEST(ServiceDiscovery, FindsTheFourProfilesInTheirFixedOrderWhateverTheDeviceOrder) {
    UseWorld(R"({"devices": [{"address": "00:00:00:00:00:01", "services": [
        {"profile": "dun"}, {"profile": "headset"}, {"profile": "spp"}, {"profile": "opp"}, {"profile": "ftp"}]}]})");
    Fixture f;
    EXPECT_EQ(f.Discover(1), (Found{{2, L"File Transfer"}, {1, L"Serial Port"}, {3, L"Object Push"},
                                    {4, L"Dial-Up Networking"}}));
    EXPECT_EQ(f.log.Count(NOTIFY_SERVICE_ADDED), 4u);
    // A second discovery replaces the list.
    EXPECT_EQ(f.Discover(1).size(), 4u);
    EXPECT_TRUE(f.errors.Codes().empty());
}

TEST(ServiceDiscovery, ADeviceOfferingNoneOfTheProfilesEndsWithAnEmptyList) {
    UseWorld(R"({"devices": [{"address": "00:00:00:00:00:02", "services": [{"profile": "headset"}]},
                             {"address": "00:00:00:00:00:03", "services": [{"profile": "opp"}]},
                             {"address": "00:00:00:00:00:04", "in_range": false, "services": [{"profile": "opp"}]}]})");
    Fixture f;
    EXPECT_EQ(f.Discover(2), Found{});
    EXPECT_EQ(f.log.Count(NOTIFY_SERVICE_ADDED), 0u);
    EXPECT_EQ(f.Discover(3), (Found{{3, L"Object Push"}}));
    EXPECT_EQ(f.Discover(4), Found{});  // out of range: every search fails quietly
    EXPECT_TRUE(f.errors.Codes().empty());
}

TEST(ServiceDiscovery, MalformedResponsesAddNothingAndAreReported) {
    UseWorld(R"({"devices": [{"address": "00:00:00:00:00:05", "services": [{"profile": "opp"}]}]})");
    Fixture f;
    // A sequence claiming 16 bytes with 3 present; then one whose record is not a sequence.
    sim::Radio::Instance().SetSdpResponseOverride(5, {0x35, 0x10, 0x35, 0x01, 0x09});
    EXPECT_EQ(f.Discover(5), Found{});
    ASSERT_EQ(f.errors.Reports().size(), 4u);
    for (auto& report : f.errors.Reports()) EXPECT_EQ(report.context, L"CDeviceDistant::doInquiryServiceId");
    sim::Radio::Instance().SetSdpResponseOverride(5, {0x35, 0x03, 0x09, 0x00, 0x01});
    EXPECT_EQ(f.Discover(5), Found{});
    EXPECT_EQ(f.errors.Reports().size(), 4u);  // well-formed, just no records
}

TEST(ServiceDiscovery, WithoutTheStackEverySearchReportsServiceNotActive) {
    UseWorld(R"({"adapter": {"stack": false}})");
    Fixture f;
    CDeviceDistant* device = f.local.addDevice(6, CString(), 0, 0);
    ASSERT_EQ(device->FindServices(), 1);
    ASSERT_TRUE(f.log.WaitFor(NOTIFY_INQUIRY_END));
    EXPECT_EQ(f.errors.Codes(), std::vector<int>(4, 0));
    EXPECT_EQ(f.errors.Reports()[0].message, L"Unknown error code 0x00000426 (1062)");
}

TEST(ServiceDiscovery, EndInquiryStopsBeforeTheNextSearchAndAddsNothingAfterItReturns) {
    UseWorld(R"({"timing": {"sdp_ms": 1500}, "devices": [{"address": "00:00:00:00:00:07", "services": [
        {"profile": "ftp"}, {"profile": "spp"}, {"profile": "opp"}, {"profile": "dun"}]}]})");
    Fixture f;
    CDeviceDistant* device = f.local.addDevice(7, CString(), 0, 0);
    auto services = [device] {
        auto lock = device->ServicesLock();
        return device->GetServices().GetSize();
    };
    // Ended while the first search waits for the device, and at once after starting: a stop
    // asked for before the lookup is held must still end it.
    for (bool waitForTheSearch : {true, false, false, false, false, false, false, false, false, false}) {
        ASSERT_EQ(device->FindServices(), 1);
        if (waitForTheSearch) {
            ASSERT_TRUE(sim::Radio::Instance().AwaitBlockedRequests(1, 30000));
        }
        auto start = std::chrono::steady_clock::now();
        device->EndInquiry();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
        EXPECT_EQ(services(), 0);
    }
    EXPECT_EQ(f.log.Count(NOTIFY_SERVICE_ADDED), 0u);
    EXPECT_EQ(f.log.Count(NOTIFY_INQUIRY_END), 10u);
    EXPECT_FALSE(f.errors.Has(ERR_INQUIRY_NO_STOP));
}

TEST(ServiceDiscovery, ASearchAskedForRightAfterTheLastOneAnnouncedItsEndStarts) {
    UseWorld(R"({"devices": [{"address": "00:00:00:00:00:09", "services": [{"profile": "opp"}]}]})");
    Fixture f;
    CDeviceDistant* device = f.local.addDevice(9, CString(), 0, 0);
    for (size_t round = 1; round <= 50; ++round) {
        ASSERT_EQ(device->FindServices(), 1);
        ASSERT_FALSE(f.errors.Has(ERR_INQUIRY_RUNNING)) << "refused in round " << round;
        ASSERT_TRUE(f.log.WaitFor(NOTIFY_INQUIRY_END, round));
    }
    EXPECT_EQ(f.log.Count(NOTIFY_SERVICE_ADDED), 50u);
}

}  // namespace
