// Virtual COM ports over the Bluetooth serial driver "btd.dll": these tests make real ports and
// links through the simulated radio.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "connection_attempt.h"
#include "engine/device/device_distant.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/service/client_spp.h"
#include "engine/service/server_spp.h"
#include "error_log.h"
#include "notification_log.h"
#include "platform/kernel/paths.h"
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

// The lock another process's driver holds on a port index while that port exists.
class OtherProcessPort {
public:
    explicit OtherProcessPort(unsigned int index)
        : fd_(::open((platform::RuntimeFolder().path / ("COM" + std::to_string(index) + ".lock")).c_str(),
                     O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {}
    ~OtherProcessPort() {
        if (fd_ >= 0) ::close(fd_);
    }
    OtherProcessPort(const OtherProcessPort&) = delete;
    OtherProcessPort& operator=(const OtherProcessPort&) = delete;
    bool Hold() { return fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) == 0; }

private:
    const int fd_;
};

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
    const std::wstring modem = key + L"\\unimodem";
    using testsupport::ReadDword;
    using testsupport::ReadString;
    EXPECT_EQ(ReadString(key, L"dll"), std::make_pair(std::wstring(L"btd.dll"), DWORD{16}));
    EXPECT_EQ(ReadString(key, L"prefix"), std::make_pair(std::wstring(L"COM"), DWORD{8}));
    EXPECT_EQ(ReadDword(key, L"index"), 4u);
    ASSERT_TRUE(ReadDword(key, L"context").has_value());
    EXPECT_NE(*ReadDword(key, L"context"), 0u);
    EXPECT_EQ(ReadString(modem, L"friendlyname")->first, L"BT Modem on My Phone COM4:");
    EXPECT_EQ(ReadString(modem, L"tsp")->first, L"unimodem.dll");
    EXPECT_EQ(ReadDword(modem, L"devicetype"), 1u);
    EXPECT_EQ(dun->Disconnect(), 1);
    EXPECT_FALSE(testsupport::KeyExists(key));
    EXPECT_EQ(dun->GetComPort(), 0u);
}

TEST(SerialPort, DialUpSkipsPortsOtherProcessesHoldAndLeavesNoEntryWhenAllAre) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"devices": [
        {"name": "My Phone", "address": "00:12:AB:34:CD:56", "services": [{"profile": "dun"}]},
        {"name": "Other Phone", "address": "00:12:AB:34:CD:57", "services": [{"profile": "dun"}]}]})"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    std::map<unsigned int, std::unique_ptr<OtherProcessPort>> held;
    for (unsigned int index = 1; index <= 9; ++index) {
        held[index] = std::make_unique<OtherProcessPort>(index);
        ASSERT_TRUE(held[index]->Hold());
    }
    const std::wstring ports = L"software\\microsoft\\bluetooth\\device\\ports";
    CDeviceDistant phone(kPhone, L"My Phone", 0x5A020C, 0);
    CDeviceDistant other(kPhone + 1, L"Other Phone", 0x5A020C, 0);
    CServiceDistant* first = phone.AddDistantService(SERVICE_ID_DUN, NO_COM_PORT);
    CServiceDistant* second = other.AddDistantService(SERVICE_ID_DUN, NO_COM_PORT);
    first->Connect();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECT_FAILED));
    EXPECT_EQ(errors.Codes(), std::vector<int>{ERR_SPP_NO_COM_PORT});
    EXPECT_EQ(first->GetComPort(), NO_COM_PORT);
    EXPECT_EQ(testsupport::SubkeyCount(ports), 0u);

    // Two ports come free; two connections at once each take one of them.
    held.erase(3);
    held.erase(6);
    ASSERT_TRUE(testsupport::AttemptEnded(*first));
    first->Connect();
    second->Connect();
    ASSERT_TRUE(log.WaitFor(NOTIFY_CONNECTED, 2));
    const std::set<unsigned int> taken = {first->GetComPort(), second->GetComPort()};
    EXPECT_EQ(taken, (std::set<unsigned int>{3, 6}));
    EXPECT_EQ(testsupport::SubkeyCount(ports), 2u);
    EXPECT_EQ(first->Disconnect(), 1);
    EXPECT_EQ(second->Disconnect(), 1);
    EXPECT_EQ(testsupport::SubkeyCount(ports), 0u);
    EXPECT_EQ(errors.Codes().size(), 1u);
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
