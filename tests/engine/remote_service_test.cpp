#include <gtest/gtest.h>

#include <atomic>

#include "engine/device/device_distant.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/obex/client_ftp.h"
#include "engine/obex/client_opp.h"
#include "engine/service/client_spp.h"
#include "connection_attempt.h"
#include "error_log.h"
#include "notification_log.h"
#include "platform/kernel/sync.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;
using testsupport::NotificationLog;

// A service whose connection waits for the test's go-ahead and then succeeds or fails.
class GatedService final : public CServiceDistant {
public:
    explicit GatedService(bool succeed) : CServiceDistant(nullptr), succeed_(succeed) {}
    ~GatedService() override {
        SetEvent(gate_);
        shutDown();
        CloseHandle(gate_);
    }
    void Open() { SetEvent(gate_); }
    std::atomic<int> attempts{0};
    std::atomic<int> disconnections{0};

protected:
    int makeConnection() override {
        ++attempts;
        WaitForSingleObject(gate_, INFINITE);
        return succeed_;
    }
    int makeDisconnection() override { return ++disconnections; }

private:
    HANDLE gate_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool succeed_;
};

TEST(RemoteService, OneAttemptAtATimeAndTheOutcomeArrivesAsNotifications) {
    auto& log = NotificationLog::Attach();
    GatedService service(true);
    EXPECT_EQ(service.Connect(), 0);
    EXPECT_EQ(service.Connect(), 0);  // the first attempt still runs
    service.Open();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECTED));
    EXPECT_EQ(service.attempts.load(), 1);
    EXPECT_EQ(service.IsConnected(), 1);
    auto all = log.All();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].code, NOTIFY_CONNECTING);
    EXPECT_EQ(all[0].value, reinterpret_cast<NOTIFY_VALUE>(&service));

    // Connecting a connected service disconnects it first.
    ASSERT_TRUE(testsupport::AttemptEnded(service));
    service.Connect();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECTED, 2));
    EXPECT_EQ(log.Codes(), (std::vector<int>{NOTIFY_CONNECTING, NOTIFY_CONNECTED, NOTIFY_DISCONNECTED,
                                             NOTIFY_CONNECTING, NOTIFY_CONNECTED}));
    EXPECT_EQ(service.Disconnect(), 1);
    EXPECT_EQ(log.Count(NOTIFY_DISCONNECTED), 2u);
    EXPECT_EQ(service.Disconnect(), 1);  // not connected: nothing more
    EXPECT_EQ(log.Count(NOTIFY_DISCONNECTED), 2u);
}

TEST(RemoteService, AFailedReconnectionByTheMonitorStaysQuietAndKeepsTheFlag) {
    auto& log = NotificationLog::Attach();
    GatedService service(false);
    service.Open();
    service.SetDistantDisconnection();
    service.ReConnect();
    ASSERT_TRUE(testsupport::AttemptEnded(service));
    EXPECT_EQ(service.attempts.load(), 1);
    EXPECT_TRUE(log.All().empty());
    EXPECT_EQ(service.GetDistantDisconnection(), 1);
}

TEST(RemoteService, AConnectionAskedForRightAfterTheLastOutcomeStarts) {
    auto& log = NotificationLog::Attach();
    GatedService service(false);
    service.Open();
    for (size_t round = 1; round <= 50; ++round) {
        service.Connect();
        ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECT_FAILED, round)) << "refused in round " << round;
    }
    EXPECT_EQ(service.attempts.load(), 50);
}

TEST(RemoteService, ShuttingDownWaitsForTheAttemptThenDisconnectsWhileTheObjectIsWhole) {
    auto& log = NotificationLog::Attach();
    auto* service = new GatedService(true);
    service->Connect();
    service->Open();
    service->shutDown();  // waits for the attempt, which connects
    EXPECT_EQ(service->attempts.load(), 1);
    EXPECT_EQ(service->disconnections.load(), 1);
    EXPECT_EQ(service->IsConnected(), 0);
    EXPECT_EQ(log.Codes(), (std::vector<int>{NOTIFY_CONNECTING, NOTIFY_CONNECTED, NOTIFY_DISCONNECTED}));
    EXPECT_EQ(log.All().back().value, reinterpret_cast<NOTIFY_VALUE>(service));
    delete service;
}

TEST(RemoteService, ClientsUntilTheirTransportExistsFailTheirConnection) {
    auto& log = NotificationLog::Attach();
    CDeviceDistant device(0x0012AB34CD56, L"Phone", 0x5A020C, 0);
    CServiceDistant* spp = device.AddDistantService(SERVICE_ID_SPP, 3);
    ASSERT_NE(spp, nullptr);
    EXPECT_EQ(spp->GetName(), CString(L"Serial Port"));
    EXPECT_EQ(spp->GetComPort(), 3u);
    spp->Connect();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECT_FAILED));
    EXPECT_EQ(spp->IsConnected(), 0);
}

TEST(RemoteDevice, FactoryIdentityAndTheTwoArrays) {
    auto& log = NotificationLog::Attach();
    CDeviceDistant device(0x0012AB34CD56, CString(), 0, 0);
    EXPECT_EQ(device.GetName(), CString(L"Unknown"));
    EXPECT_EQ(device.AddDistantService(7, 99), nullptr);
    EXPECT_EQ(log.Count(NOTIFY_SERVICE_ADDED), 1u);
    EXPECT_EQ(device.GetFoundServices(), 0);
    CServiceDistant* shortcut = device.AddShortcutService(SERVICE_ID_SPP, 3);
    ASSERT_NE(shortcut, nullptr);
    EXPECT_EQ(log.Count(NOTIFY_SERVICE_ADDED), 1u);
    EXPECT_EQ(device.GetService(SERVICE_ID_SPP), nullptr);  // shortcuts are not searched
    auto* ftp = dynamic_cast<CClientFtp*>(device.AddDistantService(SERVICE_ID_FTP, 99));
    ASSERT_NE(ftp, nullptr);
    EXPECT_EQ(ftp->GetComPort(), 99u);
    EXPECT_EQ(device.GetService(SERVICE_ID_FTP), ftp);
    EXPECT_EQ(device.GetFoundServices(), 1);
    const GUID target = ftp->getGuidTarget();
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&target)[0], 0xF9);
    EXPECT_EQ(ftp->getGuidRequestedService().Data1, 0x1106u);
    auto* opp = dynamic_cast<CClientOpp*>(device.AddDistantService(SERVICE_ID_OPP, 99));
    ASSERT_NE(opp, nullptr);
    EXPECT_EQ(opp->getGuidTarget(), GUID{});
}

TEST(RemoteDevice, UpdateRefreshesNameAndClassAndStoresThemForPairedDevices) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(
        R"({"devices": [{"name": "Renamed", "address": "00:12:AB:34:CD:56", "class": "0x5A020C"}]})"));
    auto& log = NotificationLog::Attach();
    CDeviceDistant paired(0x0012AB34CD56, L"Old", 0, 1);
    paired.Update();
    EXPECT_EQ(paired.GetName(), CString(L"Renamed"));
    EXPECT_EQ(paired.GetClass(), 0x5A020Cu);
    EXPECT_EQ(log.Count(NOTIFY_PAIRING_CHANGED), 1u);
    CRegistry registry;
    EXPECT_EQ(registry.ReadValueString(L"0012ab34cd56_Paired"), CString(L"Renamed"));
    EXPECT_EQ(registry.ReadValueDword(L"0012ab34cd56_Class"), 0x5A020Cu);
}

TEST(RemoteDevice, UpdateOfAnUnreachableDeviceReportsBothFailuresAndWritesNothing) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    CDeviceDistant device(0x0000000000AA, L"Gone", 7, 0);
    device.Update();
    EXPECT_EQ(errors.Codes(), (std::vector<int>{ERR_REMOTE_COD, ERR_REMOTE_NAME}));
    EXPECT_EQ(log.Count(NOTIFY_PAIRING_CHANGED), 0u);
    EXPECT_EQ(device.GetName(), CString(L"Gone"));
    EXPECT_EQ(device.GetClass(), 7u);
}

}  // namespace
