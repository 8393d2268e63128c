// SDP searches against the devices' databases built from the world.
#include <gtest/gtest.h>

#include <vector>

#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_profile.h"
#include "platform/bluetooth/sdp_stream.h"
#include "sim/radio.h"
#include "sim/sdp/sdp_database.h"
#include "support/sim_world.h"

namespace {

constexpr BT_ADDR kPhone = 0x0012AB34CD56;
constexpr BT_ADDR kAway = 0x000000000002;

const char* const kWorld = R"({"devices": [
  {"name": "Phone", "address": "00:12:AB:34:CD:56", "services": [
     {"profile": "opp", "name": "Push it", "channel": 9}, {"profile": "ftp", "channel": 10}, {"profile": "spp"}]},
  {"name": "Away", "address": "00:00:00:00:00:02", "in_range": false, "services": [{"profile": "spp"}]}]})";

sdp::Uuid Short(std::uint32_t value) { return sdp::Uuid::FromShort(value); }

// Runs one search to its end: the response bytes, or the failing Next's error.
DWORD Search(BT_ADDR target, const sdp::Uuid& uuid, std::vector<std::uint8_t>* response, WORD first = 0,
             WORD last = 0xFFFF) {
    sim::Radio& radio = sim::Radio::Instance();
    bth::LookupId lookup = 0;
    if (DWORD error = radio.BeginServiceSearch({target, {uuid}, {{first, last}}}, &lookup)) return error;
    DWORD error = radio.NextServiceResponse(lookup, response);
    if (error == 0) {
        std::vector<std::uint8_t> more;
        EXPECT_EQ(radio.NextServiceResponse(lookup, &more), WSA_E_NO_MORE);
    }
    EXPECT_EQ(radio.EndLookup(lookup), 0u);
    return error;
}

std::vector<sdp::Record> Records(const std::vector<std::uint8_t>& response) {
    std::size_t count = 0;
    EXPECT_TRUE(sdp::VerifySequenceOfSequences(response.data(), response.size(), &count));
    std::vector<sdp::Record> records;
    EXPECT_TRUE(sdp::RetrieveRecords(response.data(), response.size(), &records));
    EXPECT_EQ(records.size(), count);
    return records;
}

TEST(RadioSdp, FindsTheRecordByItsClass) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    {
        std::vector<std::uint8_t> response;
        ASSERT_EQ(Search(kPhone, Short(0x1105), &response), 0u);
        auto records = Records(response);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(sdp::RfcommChannel(records[0]), 9);
        EXPECT_EQ(sdp::ServiceName(records[0]), "Push it");
        EXPECT_EQ(records[0].Get(sdp::attr::kServiceRecordHandle)->AsUnsigned(), sim::kFirstRecordHandle);
    }
    // The protocol UUIDs match too: every service here runs on RFCOMM.
    std::vector<std::uint8_t> response;
    ASSERT_EQ(Search(kPhone, Short(0x0003), &response), 0u);
    EXPECT_EQ(Records(response).size(), 3u);
}

TEST(RadioSdp, AShortUuidFindsARecordKeyedByItsLongForm) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    sdp::Record wide;
    wide.Set(sdp::attr::kServiceRecordHandle, sdp::DataElement::UInt32(0x10000));
    wide.Set(sdp::attr::kServiceClassIdList,
             sdp::DataElement::Sequence({sdp::DataElement::Uuid128(sdp::uuids::kSerialPort)}));
    sim::Radio::Instance().SetSdpRecords(kPhone, {wide});
    std::vector<std::uint8_t> response;
    ASSERT_EQ(Search(kPhone, Short(0x1101), &response), 0u);
    auto records = Records(response);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], wide);
}

TEST(RadioSdp, AnswersOnlyTheAttributesAskedForAndNothingForAMissingProfile) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    std::vector<std::uint8_t> response;
    ASSERT_EQ(Search(kPhone, Short(0x1106), &response, sdp::attr::kProtocolDescriptorList,
                     sdp::attr::kProtocolDescriptorList),
              0u);
    auto records = Records(response);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].attributes().size(), 1u);
    EXPECT_EQ(sdp::RfcommChannel(records[0]), 10);

    ASSERT_EQ(Search(kPhone, Short(0x1103), &response), 0u);  // no dial-up networking
    EXPECT_EQ(response, (std::vector<std::uint8_t>{0x35, 0x00}));
}

TEST(RadioSdp, UnreachableDevicesFailTheFirstNext) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    std::vector<std::uint8_t> response;
    EXPECT_EQ(Search(kAway, Short(0x1101), &response), WSAEHOSTDOWN);
    EXPECT_EQ(Search(0x0000DEADBEEF, Short(0x1101), &response), WSAEHOSTDOWN);
}

TEST(RadioSdp, OverrideAnswersWithExactlyItsBytes) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    const std::vector<std::uint8_t> malformed = {0x35, 0x05, 0x35, 0x09, 0x00};
    sim::Radio::Instance().SetSdpResponseOverride(kPhone, malformed);
    std::vector<std::uint8_t> response;
    ASSERT_EQ(Search(kPhone, Short(0x1105), &response), 0u);
    EXPECT_EQ(response, malformed);

    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));  // Reset clears it
    ASSERT_EQ(Search(kPhone, Short(0x1105), &response), 0u);
    EXPECT_EQ(Records(response).size(), 1u);
}

TEST(RadioSdp, SearchesWithoutAPatternOrARangeAreRefused) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    bth::LookupId lookup = 0;
    EXPECT_EQ(sim::Radio::Instance().BeginServiceSearch({kPhone, {}, {{0, 0xFFFF}}}, &lookup), WSAEINVAL);
    EXPECT_EQ(sim::Radio::Instance().BeginServiceSearch({kPhone, {Short(0x1101)}, {}}, &lookup), WSAEINVAL);
}

sim::WorldService Service(sim::Profile profile, const char* name, std::uint8_t channel) {
    sim::WorldService service;
    service.profile = profile;
    service.name = name;
    service.channel = channel;
    return service;
}

TEST(RadioSdp, TheLocalDatabaseKeepsWellFormedRecordsByHandle) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    sim::Radio& radio = sim::Radio::Instance();
    const std::vector<std::uint8_t> record =
        sdp::Encode(sim::BuildSdpDatabase({Service(sim::Profile::SerialPort, "", 3)})[0].ToElement());
    std::uint32_t first = 0, second = 0;
    ASSERT_EQ(radio.PublishRecord(record, &first), 0u);
    ASSERT_EQ(radio.PublishRecord(record, &second), 0u);
    EXPECT_NE(first, second);
    std::vector<std::uint8_t> trailing = record;
    trailing.push_back(0);
    using Bytes = std::vector<std::uint8_t>;
    for (const Bytes& bad : {Bytes{}, Bytes{0x35, 0x05, 0x09}, Bytes{0x09, 0x00, 0x01}, trailing}) {
        std::uint32_t handle = 0;
        EXPECT_EQ(radio.PublishRecord(bad, &handle), ERROR_INVALID_DATA);
    }
    EXPECT_EQ(radio.RemoveRecord(first), 0u);
    EXPECT_EQ(radio.RemoveRecord(first), ERROR_NOT_FOUND);
    ASSERT_EQ(radio.PublishedRecords().size(), 1u);
    EXPECT_EQ(radio.PublishedRecords().begin()->second, record);
    std::vector<std::uint8_t> read;
    ASSERT_EQ(radio.ReadPublishedRecord(second, &read), 0u);
    EXPECT_EQ(read, record);
    EXPECT_EQ(radio.ReadPublishedRecord(first, &read), ERROR_NOT_FOUND);
}

TEST(RadioSdp, DatabaseFillsInChannelsAndNames) {
    using sim::Profile;
    const auto database = sim::BuildSdpDatabase({Service(Profile::DialupNetworking, "", 0),
                                                 Service(Profile::SerialPort, "", 1),
                                                 Service(Profile::FileTransfer, "Files", 0),
                                                 Service(Profile::Handsfree, "", 3)});
    ASSERT_EQ(database.size(), 4u);
    EXPECT_EQ(sdp::RfcommChannel(database[0]), 2);  // 1 is taken by the serial port
    EXPECT_EQ(sdp::RfcommChannel(database[1]), 1);
    EXPECT_EQ(sdp::RfcommChannel(database[2]), 4);  // 3 is taken by the hands-free unit
    EXPECT_EQ(sdp::ServiceName(database[0]), "Dial-up Networking");
    EXPECT_EQ(sdp::ServiceName(database[1]), "Serial Port");
    EXPECT_EQ(sdp::ServiceName(database[2]), "Files");
    EXPECT_TRUE(sdp::HasServiceClass(database[2], sdp::uuids::kObexFileTransfer));
    EXPECT_TRUE(sdp::HasServiceClass(database[3], sdp::Uuid::FromShort(0x111E)));
    EXPECT_EQ(database[3].Get(sdp::attr::kServiceRecordHandle)->AsUnsigned(), sim::kFirstRecordHandle + 3);
}

}  // namespace
