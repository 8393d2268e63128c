// The record our serial-port server publishes, read back by BlueZ's own SDP parser, as a
// remote Linux device would read it.
#include <gtest/gtest.h>

#include <bluetooth/bluetooth.h>
#include <bluetooth/sdp.h>
#include <bluetooth/sdp_lib.h>

#include <string>
#include <vector>

#include "engine/device/device_local.h"
#include "engine/service/server_spp.h"
#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_profile.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

TEST(BluezSdp, ReadsThePublishedSerialPortRecordWithItsChannelAndName) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    CDeviceLocal local;
    ASSERT_TRUE(local.Activate(1));
    auto* server = new CServerSpp(&local);
    local.AddLocalService(server);
    ASSERT_TRUE(local.ActivateLocalServices(1));
    const auto published = sim::Radio::Instance().PublishedRecords();
    ASSERT_EQ(published.size(), 1u);
    std::vector<std::uint8_t> bytes = published.begin()->second;

    int scanned = 0;
    sdp_record_t* record = sdp_extract_pdu(bytes.data(), static_cast<int>(bytes.size()), &scanned);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(scanned, static_cast<int>(bytes.size()));

    sdp_list_t* classes = nullptr;
    ASSERT_EQ(sdp_get_service_classes(record, &classes), 0);
    ASSERT_NE(classes, nullptr);
    char text[64] = {};
    sdp_uuid2strn(static_cast<uuid_t*>(classes->data), text, sizeof text);
    EXPECT_STRCASEEQ(text, "00001101-0000-1000-8000-00805f9b34fb");
    sdp_list_free(classes, free);

    sdp_list_t* protocols = nullptr;
    ASSERT_EQ(sdp_get_access_protos(record, &protocols), 0);
    const int channel = sdp_get_proto_port(protocols, RFCOMM_UUID);
    EXPECT_GE(channel, 1);
    EXPECT_LE(channel, 30);
    sdp::DataElement element;
    ASSERT_TRUE(sdp::Decode(bytes, &element));
    EXPECT_EQ(sdp::RfcommChannel(*sdp::Record::FromElement(element)), channel);
    for (sdp_list_t* p = protocols; p; p = p->next) sdp_list_free(static_cast<sdp_list_t*>(p->data), nullptr);
    sdp_list_free(protocols, nullptr);

    char name[64] = {};
    ASSERT_EQ(sdp_get_service_name(record, name, sizeof name), 0);
    EXPECT_STREQ(name, "Serial Port");
    sdp_record_free(record);
}

}  // namespace
