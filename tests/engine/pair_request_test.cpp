#include <gtest/gtest.h>

#include "engine/device/device_local.h"
#include "engine/frame/error_codes.h"
#include "error_log.h"
#include "notification_log.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;
using testsupport::NotificationLog;
using testsupport::UseWorld;

TEST(PairRequests, EachRequestIsAnnouncedWithItsDeviceInTheStacksOrder) {
    UseWorld(R"({"devices": [{"name": "Phone", "address": "00:12:AB:34:CD:56", "paired_pin": "1234"}]})");
    CDeviceLocal local;
    auto& log = NotificationLog::Attach();
    ASSERT_EQ(local.Activate(1), 1);
    ASSERT_EQ(local.FindDevices(), 1);
    ASSERT_TRUE(log.WaitFor(NOTIFY_INQUIRY_END));
    CDeviceDistant* known = local.getDeviceDistant(0x0012AB34CD56);
    ASSERT_NE(known, nullptr);

    sim::Radio::Instance().RaisePinRequest(0x0012AB34CD56);
    sim::Radio::Instance().RaisePinRequest(0x00000000BEEF);
    ASSERT_TRUE(log.WaitFor(NOTIFY_PIN_REQUEST, 2));
    std::vector<NOTIFY_VALUE> requested;
    for (auto& n : log.All())
        if (n.code == NOTIFY_PIN_REQUEST) requested.push_back(n.value);
    EXPECT_EQ(requested[0], reinterpret_cast<NOTIFY_VALUE>(known));
    CDeviceDistant* stranger = local.getDeviceDistant(0x00000000BEEF);
    ASSERT_NE(stranger, nullptr);
    EXPECT_EQ(requested[1], reinterpret_cast<NOTIFY_VALUE>(stranger));
    EXPECT_EQ(stranger->GetName(), CString(L"Unknown"));
    EXPECT_EQ(stranger->GetClass(), 0u);
    auto codes = log.Codes();
    EXPECT_EQ(std::vector<int>(codes.end() - 2, codes.end()), (std::vector<int>{NOTIFY_DEVICE_ADDED, NOTIFY_PIN_REQUEST}));
    EXPECT_EQ(local.GetDevices().GetSize(), 2);
}

TEST(PairRequests, SwitchingOffUnregistersAndSwitchingOnRegistersAgain) {
    UseWorld(R"({"events": [{"at_ms": 0, "type": "pair-request", "device": "00:00:00:00:00:07"}]})");
    CDeviceLocal local;
    auto& log = NotificationLog::Attach();
    ASSERT_EQ(local.Activate(1), 1);
    ASSERT_TRUE(log.WaitFor(NOTIFY_PIN_REQUEST));  // from the world's timeline
    ASSERT_EQ(local.Activate(0), 1);
    ASSERT_EQ(local.Activate(1), 1);  // would fail with 70500 if the first registration were still held
    sim::Radio::Instance().RaisePinRequest(0x0000000000AA);
    ASSERT_TRUE(log.WaitFor(NOTIFY_PIN_REQUEST, 2));
}

TEST(PairRequests, AnotherProgramHoldingTheRequestsIsReportedOnce) {
    UseWorld(R"({"adapter": {"pin_requests_claimed": true}})");
    CDeviceLocal local;
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    ASSERT_EQ(local.Activate(1), 1);
    sim::Radio::Instance().RaisePinRequest(0x0000000000AA);
    ASSERT_TRUE(errors.WaitFor(1));
    EXPECT_EQ(errors.Codes(), std::vector<int>{ERR_PIN_REQUESTS_TAKEN});
    EXPECT_EQ(errors.Reports()[0].context, L"CDeviceLocal::Activate");
    ASSERT_EQ(local.Activate(0), 1);
    EXPECT_EQ(log.Count(NOTIFY_PIN_REQUEST), 0u);
}

}  // namespace
