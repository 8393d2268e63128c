// Virtual COM ports over the Bluetooth serial driver "btd.dll": these tests make real ports and
// links through the simulated radio.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/device/device_distant.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/service/client_spp.h"
#include "engine/service/server_spp.h"
#include "error_log.h"
#include "notification_log.h"
#include "registry_probe.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;
using testsupport::NotificationLog;

constexpr BT_ADDR kPhone = 0x0012AB34CD56;

std::string PhoneWith(const std::string& profile, const std::string& adapter = "{}") {
    return R"({"adapter": )" + adapter + R"(, "devices": [{"name": "My Phone", "address": "00:12:AB:34:CD:56",
               "class": "0x5A020C", "services": [{"profile": ")" +
           profile + R"(", "channel": 2}]}]})";
}

bool PortTaken(unsigned int index) {
    CClientSpp probe(nullptr);
    auto free = probe.getAvailablePortComList();
    return std::find(free.begin(), free.end(), static_cast<int>(index)) == free.end();
}

TEST(SerialPort, AConnectedClientHoldsItsPortUntilDisconnected) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(PhoneWith("spp")));
    auto& log = NotificationLog::Attach();
    CDeviceDistant device(kPhone, L"My Phone", 0x5A020C, 0);
    auto* spp = static_cast<CClientSpp*>(device.AddDistantService(SERVICE_ID_SPP, 5));
    spp->Connect();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECTED));
    EXPECT_EQ(spp->IsConnected(), 1);
    EXPECT_TRUE(PortTaken(5));
    EXPECT_EQ(spp->Disconnect(), 1);
    EXPECT_FALSE(PortTaken(5));
    EXPECT_EQ(log.Count(NOTIFY_DISCONNECTED), 1u);
}

TEST(SerialPort, AClientOfAnUnreachableServiceReports70201AndGivesThePortBack) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    CDeviceDistant device(kPhone, L"Gone", 0, 0);
    device.AddDistantService(SERVICE_ID_SPP, 5)->Connect();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECT_FAILED));
    EXPECT_EQ(errors.Codes(), std::vector<int>{ERR_SPP_CONNECT});
    EXPECT_FALSE(PortTaken(5));
}

TEST(SerialPort, DialUpTakesTheFirstFreePortAndDisconnectingRemovesItsEntry) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(PhoneWith("dun", R"({"reserved_ports": [1, 2, 3]})")));
    auto& log = NotificationLog::Attach();
    CDeviceDistant device(kPhone, L"My Phone", 0x5A020C, 0);
    CServiceDistant* dun = device.AddDistantService(SERVICE_ID_DUN, NO_COM_PORT);
    dun->Connect();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECTED));
    EXPECT_EQ(dun->GetComPort(), 4u);
    const std::wstring key = L"software\\microsoft\\bluetooth\\device\\ports\\My Phone0012AB34CD56COM4";
    EXPECT_EQ(testsupport::ReadString(key + L"\\unimodem", L"friendlyname")->first, L"BT Modem on My Phone COM4:");
    EXPECT_EQ(dun->Disconnect(), 1);
    EXPECT_FALSE(testsupport::KeyExists(key));
    EXPECT_EQ(dun->GetComPort(), 0u);
}

TEST(SerialPort, TheServerTakesTheFirstFreeIndexAndAdvertisesItsChannel) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"adapter": {"reserved_ports": [0, 1, 2, 3]}})"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    CServerSpp server(nullptr);
    ASSERT_EQ(server.Activate(1), 1);
    EXPECT_EQ(server.GetComPort(), 4u);
    EXPECT_EQ(testsupport::ReadDword(CRegistry::kBaseKey, L"localPortCom"), 4u);
    EXPECT_EQ(server.IsConnected(), 1);
    EXPECT_NE(server.GetRfcommChannel(), 0u);
    auto records = sim::Radio::Instance().PublishedRecords();
    ASSERT_EQ(records.size(), 1u);
    // The channel is the last byte before the service name (09 01 00, 25 0B, 11 bytes).
    const auto& record = records.begin()->second;
    ASSERT_GT(record.size(), 17u);
    EXPECT_EQ(record[record.size() - 17], server.GetRfcommChannel());

    EXPECT_EQ(server.Disconnect(), 1);
    EXPECT_EQ(server.GetComPort(), NO_COM_PORT);
    EXPECT_EQ(server.GetRfcommChannel(), 0u);
    EXPECT_EQ(server.Connect(), 0);  // still active, so no new choice: index 99
    EXPECT_EQ(errors.Codes(), std::vector<int>{ERR_SERVER_NO_COM_PORT});
}

}  // namespace
