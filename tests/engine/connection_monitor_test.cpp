// The connection monitor against devices that walk out of range and come back.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>
#include <functional>
#include <thread>

#include "engine/device/connection_scheduler.h"
#include "engine/device/device_distant.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/service/client_spp.h"
#include "error_log.h"
#include "notification_log.h"
#include "platform/kernel/paths.h"
#include "registry_probe.h"
#include "sim/radio.h"
#include "support/pty_client.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;
using testsupport::NotificationLog;

constexpr BT_ADDR kPhone = 0x0012AB34CD56;

const char* kWorld = R"({"devices": [{"name": "My Phone", "address": "00:12:AB:34:CD:56", "class": "0x5A020C",
    "services": [{"profile": "spp", "channel": 2}, {"profile": "dun", "channel": 1}]}]})";

// Polls a state that changes without a notification, for up to ten seconds.
bool Eventually(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void SetSettings(unsigned long scanPeriod, unsigned long reconnectionTimeout) {
    CRegistry registry;
    registry.WriteValueDword(L"Scan Period", scanPeriod);
    if (reconnectionTimeout) registry.WriteValueDword(L"Reconnection Timeout", reconnectionTimeout);
}

std::string PortPath(unsigned int port) {
    return (platform::RuntimeFolder().path / ("COM" + std::to_string(port))).string();
}

TEST(ConnectionMonitor, ALostSerialLinkIsReportedAndTheSamePortCarriesBytesOnceTheDeviceReturns) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    RegisterEngineErrors();
    SetSettings(1, 0);
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    auto device = std::make_unique<CDeviceDistant>(kPhone, L"My Phone", 0x5A020C, 0);
    CServiceDistant* spp = device->AddDistantService(SERVICE_ID_SPP, 5);
    CServiceDistant* dun = device->AddDistantService(SERVICE_ID_DUN, 99);
    spp->Connect();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECTED));
    dun->Connect();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECTED, 2));

    sim::Radio::Instance().Leave(kPhone);
    ASSERT_TRUE(errors.WaitFor(1));
    EXPECT_EQ(errors.Reports()[0].code, ERR_SERVICE_DISCONNECTED);
    EXPECT_EQ(errors.Reports()[0].message, L"Service Serial Port on My Phone disconnected!");
    EXPECT_EQ(errors.Reports()[0].context, L"CDeviceDistant::doConnectionMonitorThreadWork");
    ASSERT_TRUE(log.WaitFor(NOTIFY_DISCONNECTED));
    // Counted just after the notification, on the monitor's thread.
    EXPECT_TRUE(Eventually([&] { return spp->GetDistantDisconnectionCount() == 1; }));
    EXPECT_EQ(testsupport::ReadDword(CRegistry::kBaseKey, L"Reconnection Timeout"), 90u) << "the default, written back";

    sim::Radio::Instance().Return(kPhone);
    ASSERT_TRUE(Eventually([&] { return spp->IsConnected() == 1; }));
    testsupport::PtyClient port(PortPath(5));
    ASSERT_TRUE(port.ok());
    ASSERT_TRUE(port.Write("ping"));
    EXPECT_EQ(port.Read(4), "ping");
    // Dial-up is never reported, and stays as it was.
    EXPECT_EQ(dun->IsConnected(), 1);
    EXPECT_EQ(errors.Reports().size(), 1u);
    EXPECT_EQ(log.Count(NOTIFY_DISCONNECTED), 1u);

    // A discovery that forgets the services, and the device going, while the monitor may be
    // in a check: neither waits longer than that check, nor leaves it a deleted service.
    sim::Radio::Instance().Leave(kPhone);
    ASSERT_TRUE(errors.WaitFor(2));
    device->FindServices();
    device.reset();
}

TEST(ConnectionMonitor, NoReconnectionAfterTheTimeOutSlow) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    RegisterEngineErrors();
    SetSettings(1, 1);
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    CDeviceDistant device(kPhone, L"My Phone", 0x5A020C, 0);
    CServiceDistant* spp = device.AddDistantService(SERVICE_ID_SPP, 5);
    spp->Connect();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECTED));
    sim::Radio::Instance().Leave(kPhone);
    ASSERT_TRUE(errors.WaitFor(1));
    // Past the time-out, and the check that marked the service (and tried once) is over.
    ASSERT_TRUE(Eventually([&] {
        return spp->GetDistantDisconnection() && std::time(nullptr) - spp->GetDistantDisconnectionTime() >= 2;
    }));
    auto reads = sim::Radio::Instance().adapter().basebandReads;
    ASSERT_TRUE(Eventually([&] { return sim::Radio::Instance().adapter().basebandReads > reads; }));
    sim::Radio::Instance().Return(kPhone);
    reads = sim::Radio::Instance().adapter().basebandReads;
    ASSERT_TRUE(Eventually([&] { return sim::Radio::Instance().adapter().basebandReads >= reads + 2; }));
    EXPECT_EQ(spp->IsConnected(), 0);
    EXPECT_EQ(spp->GetDistantDisconnection(), 1);
}

// Every device's monitor runs on one thread: a thousand devices add one thread, and it ends with
// the last of them.
TEST(ConnectionMonitor, AThousandDevicesShareOneMonitorThread) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    const auto threads = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/task"), std::filesystem::directory_iterator{});
    };
    ASSERT_TRUE(Eventually([] { return !ConnectionScheduler::Instance().Running(); }));
    const auto before = threads();
    std::vector<std::unique_ptr<CDeviceDistant>> devices;
    for (BT_ADDR address = 1; address <= 1000; ++address)
        devices.push_back(std::make_unique<CDeviceDistant>(address, L"Device", 0x5A020C, 0));
    EXPECT_EQ(ConnectionScheduler::Instance().Watched(), 1000u);
    EXPECT_LE(threads(), before + 1);
    devices.clear();
    EXPECT_EQ(ConnectionScheduler::Instance().Watched(), 0u);
    EXPECT_TRUE(Eventually([] { return !ConnectionScheduler::Instance().Running(); }));
}

}  // namespace
