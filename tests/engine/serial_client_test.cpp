// The serial-port and dial-up clients where no serial link is made: port numbers, reports and
// the dial-up port's registry entry. serial_port_test.cpp covers connections over the driver.
#include <gtest/gtest.h>

#include "engine/device/device_distant.h"
#include "engine/frame/error_codes.h"
#include "engine/service/client_dun.h"
#include "engine/service/client_spp.h"
#include "connection_attempt.h"
#include "error_log.h"
#include "notification_log.h"
#include "registry_probe.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;
using testsupport::NotificationLog;

constexpr BT_ADDR kPhone = 0x0012AB34CD56;

TEST(SerialClient, APortThatCannotBeRegisteredReports70200UnlessReconnecting) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    CDeviceDistant device(kPhone, L"My Phone", 0, 0);
    CServiceDistant* spp = device.AddDistantService(SERVICE_ID_SPP, NO_COM_PORT);
    ASSERT_NE(spp, nullptr);
    spp->Connect();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECT_FAILED));
    ASSERT_EQ(errors.Codes(), std::vector<int>{ERR_SPP_NO_COM_PORT});
    EXPECT_EQ(errors.Reports()[0].message, L"No COM port avalaible");
    EXPECT_EQ(errors.Reports()[0].context, L"CClientSpp::makeConnection");
    EXPECT_EQ(spp->IsConnected(), 0);

    // The monitor's reconnection fails quietly and keeps the lost-link mark.
    ASSERT_TRUE(testsupport::AttemptEnded(*spp));
    spp->SetDistantDisconnection();
    spp->Connect();
    ASSERT_TRUE(testsupport::AttemptEnded(*spp));
    EXPECT_EQ(errors.Codes().size(), 1u);
    EXPECT_EQ(log.Count(NOTIFY_CONNECTING), 1u);
    EXPECT_EQ(spp->GetDistantDisconnection(), 1);
}

TEST(SerialClient, TheMonitorsLinkChecksChangeOnlyTheConnectedFlag) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    auto& log = NotificationLog::Attach();
    CClientSpp spp(nullptr);
    spp.setSelectedPortCom(6);
    EXPECT_EQ(spp.ReConnect(), 0);  // "COM6:" does not open
    EXPECT_EQ(spp.IsConnected(), 0);

    spp.SetConnected(1);
    EXPECT_EQ(spp.DistantDisconnect(), 1);
    EXPECT_EQ(spp.IsConnected(), 0);
    ASSERT_EQ(log.Codes(), std::vector<int>{NOTIFY_DISCONNECTED});
    EXPECT_EQ(log.All()[0].value, reinterpret_cast<NOTIFY_VALUE>(static_cast<CServiceDistant*>(&spp)));

    // Marked connected but holding no port: the disconnection fails and announces nothing.
    spp.SetConnected(1);
    EXPECT_EQ(spp.Disconnect(), 0);
    EXPECT_EQ(spp.IsConnected(), 1);
    EXPECT_EQ(log.Count(NOTIFY_DISCONNECTED), 1u);
    EXPECT_EQ(spp.GetComPort(), 6u);
}

TEST(SerialClient, NoPortIsOfferedWhenEveryIndexIsTaken) {
    ASSERT_NO_FATAL_FAILURE(
        testsupport::UseWorld(R"({"adapter": {"reserved_ports": [0, 1, 2, 3, 4, 5, 6, 7, 8, 9]}})"));
    CClientSpp spp(nullptr);
    EXPECT_TRUE(spp.getAvailablePortComList().empty());
}

TEST(DialUpClient, ThePortKeyNamesDeviceAddressAndPortInOneKey) {
    EXPECT_EQ(DialUpPortKeyPath(L"My Phone", kPhone, 5),
              CString(L"software\\microsoft\\bluetooth\\device\\ports\\My Phone0012AB34CD56COM5"));
    EXPECT_EQ(DialUpPortKeyPath(L"a\\..\\b", 0xABCD00000001, 12),
              CString(L"software\\microsoft\\bluetooth\\device\\ports\\a_.._bABCD00000001COM12"));
}

TEST(DialUpClient, WithNoFreePortTheAttemptReports70200AndLeavesNoEntry) {
    // Every port from COM1 on belongs to other drivers.
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"adapter": {"reserved_ports": [1, 2, 3, 4, 5, 6, 7, 8, 9]}})"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    CDeviceDistant device(kPhone, L"My Phone", 0, 0);
    CServiceDistant* dun = device.AddDistantService(SERVICE_ID_DUN, NO_COM_PORT);
    ASSERT_NE(dun, nullptr);
    EXPECT_EQ(dun->GetName(), CString(L"Dial-Up Networking"));
    dun->Connect();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECT_FAILED));
    ASSERT_EQ(errors.Codes(), std::vector<int>{ERR_SPP_NO_COM_PORT});
    EXPECT_EQ(errors.Reports()[0].context, L"CClientDun::makeConnection");
    EXPECT_EQ(dun->GetComPort(), NO_COM_PORT);
    EXPECT_EQ(testsupport::SubkeyCount(L"software\\microsoft\\bluetooth\\device\\ports"), 0u);

    // The monitor's reconnection fails quietly.
    ASSERT_TRUE(testsupport::AttemptEnded(*dun));
    dun->SetDistantDisconnection();
    dun->Connect();
    ASSERT_TRUE(testsupport::AttemptEnded(*dun));
    EXPECT_EQ(errors.Codes().size(), 1u);
}

}  // namespace
