#include <gtest/gtest.h>

#include <vector>

#include "engine/frame/error_codes.h"
#include "engine/service/service_local.h"
#include "error_log.h"
#include "notification_log.h"
#include "platform/bluetooth/sdp_uuid.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;
using testsupport::NotificationLog;

// A local service whose server loads (or not) at once on the channel it is given.
class FakeServer final : public CServiceLocal {
public:
    FakeServer(bool loads, unsigned int channel, GUID serviceClass = sdp::uuids::kSerialPort.ToGuid(),
               const wchar_t* name = L"Serial Port")
        : CServiceLocal(nullptr), loads_(loads), channel_(channel), class_(serviceClass) {
        setIdentity(SERVICE_ID_SERVER_SPP, name);
    }
    ~FakeServer() override { unloadServer(); }
    int loads = 0;
    int unloads = 0;

protected:
    GUID getGuidLocalService() const override { return class_; }
    int loadServer() override {
        ++loads;
        if (loads_) m_uiRfcommChannel = channel_;
        return loads_;
    }
    int unloadServer() override {
        ++unloads;
        m_uiRfcommChannel = 0;
        return 1;
    }

private:
    bool loads_;
    unsigned int channel_;
    GUID class_;
};

std::vector<std::vector<std::uint8_t>> Published() {
    std::vector<std::vector<std::uint8_t>> records;
    for (auto& [handle, bytes] : sim::Radio::Instance().PublishedRecords()) records.push_back(bytes);
    return records;
}

TEST(LocalService, ActivationPublishesTheSerialPortRecordAndDeactivationRemovesIt) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    FakeServer server(true, 3);
    EXPECT_EQ(server.Activate(1), 1);
    EXPECT_EQ(server.IsActive(), 1);
    // clang-format off
    const std::vector<std::uint8_t> expected = {
        0x35, 0x37,                                      // the attribute list, 55 bytes
        0x09, 0x00, 0x01,                                // ServiceClassIDList
        0x35, 0x11, 0x1C, 0x00, 0x00, 0x11, 0x01, 0x00, 0x00, 0x10, 0x00,
        0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB,  // {UUID128 00001101-0000-1000-8000-00805F9B34FB}
        0x09, 0x00, 0x04,                                // ProtocolDescriptorList
        0x35, 0x0C, 0x35, 0x03, 0x19, 0x01, 0x00,        // {{L2CAP},
        0x35, 0x05, 0x19, 0x00, 0x03, 0x08, 0x03,        //  {RFCOMM, channel 3}}
        0x09, 0x01, 0x00,                                // ServiceName
        0x25, 0x0B, 'S', 'e', 'r', 'i', 'a', 'l', ' ', 'P', 'o', 'r', 't'};
    // clang-format on
    auto records = sim::Radio::Instance().PublishedRecords();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records.begin()->first, server.GetRecordHandle());
    EXPECT_EQ(records.begin()->second, expected);

    EXPECT_EQ(server.Activate(0), 1);
    EXPECT_EQ(server.IsActive(), 0);
    EXPECT_EQ(server.unloads, 1);
    EXPECT_TRUE(Published().empty());
}

TEST(LocalService, ALongNameIsPublishedWholeInTheEightBitCodePage) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    const std::wstring name = L"Caf\u00e9 " + std::wstring(150, L'x');
    FakeServer server(true, 30, sdp::uuids::kSerialPort.ToGuid(), name.c_str());
    ASSERT_EQ(server.Activate(1), 1);
    auto records = Published();
    ASSERT_EQ(records.size(), 1u);
    const auto& record = records[0];
    // ServiceName: its id, then a text of 155 bytes with an 8-bit length.
    std::vector<std::uint8_t> expected = {0x09, 0x01, 0x00, 0x25, 155, 'C', 'a', 'f', 0xE9, ' '};
    expected.resize(expected.size() + 150, 'x');
    ASSERT_GT(record.size(), expected.size());
    std::vector<std::uint8_t> tail(record.end() - static_cast<std::ptrdiff_t>(expected.size()), record.end());
    EXPECT_EQ(tail, expected);
}

TEST(LocalService, ARecordTheStackNoLongerHoldsIsReportedAndTheServiceGoesOffAnyway) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    FakeServer server(true, 3);
    ASSERT_EQ(server.Activate(1), 1);
    ASSERT_EQ(sim::Radio::Instance().RemoveRecord(server.GetRecordHandle()), ERROR_SUCCESS);
    EXPECT_EQ(server.Activate(0), 1);
    EXPECT_EQ(server.IsActive(), 0);
    ASSERT_EQ(errors.Reports().size(), 1u);
    EXPECT_EQ(errors.Reports()[0].context, L"CServiceLocal::unregisterService");
}

TEST(LocalService, ActivationIsIdempotentAndAFailedLoadPublishesNothing) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    FakeServer inactive(true, 3);
    EXPECT_EQ(inactive.Activate(0), 1);  // nothing to switch off
    EXPECT_EQ(inactive.unloads, 0);

    EXPECT_EQ(inactive.Activate(1), 1);
    EXPECT_EQ(inactive.Activate(1), 1);  // already on: no second load, no second record
    EXPECT_EQ(inactive.loads, 1);
    EXPECT_EQ(Published().size(), 1u);

    FakeServer failing(false, 3);
    EXPECT_EQ(failing.Activate(1), 0);
    EXPECT_EQ(failing.IsActive(), 0);
    EXPECT_EQ(Published().size(), 1u);
}

TEST(LocalService, AServiceWithoutAProfileIsActiveButReports70900AndPublishesNothing) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    {
        FakeServer unknown(true, 3, GUID{});
        EXPECT_EQ(unknown.Activate(1), 1);
        EXPECT_EQ(unknown.IsActive(), 1);
        EXPECT_TRUE(Published().empty());
        ASSERT_EQ(errors.Codes(), std::vector<int>{0});  // 70900 is the host's to register
        EXPECT_EQ(errors.Reports()[0].message, L"Unknown error code 0x000114f4 (5364)");
        EXPECT_EQ(errors.Reports()[0].context, L"CServiceLocal::registerService");
    }
    // Going away it removes no record, for none was published.
    EXPECT_EQ(errors.Reports().size(), 1u);
}

TEST(LocalService, ConnectAndDisconnectLoadTheServerAndLeaveTheRecordAlone) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    auto& log = NotificationLog::Attach();
    FakeServer server(true, 5);
    EXPECT_EQ(server.Connect(), 1);
    EXPECT_EQ(server.IsConnected(), 1);
    EXPECT_EQ(server.Connect(), 0);  // connected: it disconnects instead
    EXPECT_EQ(server.IsConnected(), 0);
    EXPECT_EQ(server.Disconnect(), 1);
    EXPECT_EQ(log.Codes(), (std::vector<int>{NOTIFY_CONNECTING, NOTIFY_CONNECTED, NOTIFY_DISCONNECTED}));
    EXPECT_EQ(log.All()[0].value, reinterpret_cast<NOTIFY_VALUE>(static_cast<CServiceLocal*>(&server)));
    EXPECT_TRUE(Published().empty());

    FakeServer failing(false, 5);
    EXPECT_EQ(failing.Connect(), 0);
    EXPECT_EQ(log.Count(NOTIFY_CONNECT_FAILED), 1u);
}

}  // namespace
