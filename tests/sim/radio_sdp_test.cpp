// SDP searches through "BTD0:" against the devices' databases built from the world.
#include <gtest/gtest.h>

#include <vector>

#include "platform/bluetooth/sdp_profile.h"
#include "platform/bluetooth/sdp_stream.h"
#include "sim/radio.h"
#include "sim/sdp_database.h"
#include "stack_client.h"
#include "support/sim_world.h"

namespace {

using simtest::Stack;

constexpr BT_ADDR kPhone = 0x0012AB34CD56;
constexpr BT_ADDR kAway = 0x000000000002;

const char* const kWorld = R"({"devices": [
  {"name": "Phone", "address": "00:12:AB:34:CD:56", "services": [
     {"profile": "opp", "name": "Push it", "channel": 9}, {"profile": "ftp", "channel": 10}, {"profile": "spp"}]},
  {"name": "Away", "address": "00:00:00:00:00:02", "in_range": false, "services": [{"profile": "spp"}]}]})";

// Runs one search to its end: the response bytes, or the failing Next's error.
DWORD Search(const Stack& stack, BT_ADDR target, const SdpQueryUuid& uuid, std::vector<std::uint8_t>* response,
             WORD first = 0, WORD last = 0xFFFF) {
    HANDLE lookup = nullptr;
    if (DWORD error = stack.BeginSearch(target, uuid, &lookup, first, last)) return error;
    std::vector<std::uint64_t> buffer;
    DWORD length = 4096;
    DWORD error = stack.Next(lookup, buffer, &length);
    if (error == 0) {
        *response = simtest::BlobBytes(buffer);
        length = 4096;
        EXPECT_EQ(stack.Next(lookup, buffer, &length), WSA_E_NO_MORE);
    }
    EXPECT_EQ(stack.End(lookup), 0u);
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

TEST(RadioSdp, FindsTheRecordByItsClassAtEveryUuidWidth) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    Stack stack;
    for (const SdpQueryUuid& uuid : {simtest::Uuid16(0x1105), simtest::Uuid32(0x1105), simtest::Uuid128(0x1105)}) {
        std::vector<std::uint8_t> response;
        ASSERT_EQ(Search(stack, kPhone, uuid, &response), 0u);
        auto records = Records(response);
        ASSERT_EQ(records.size(), 1u) << uuid.uuidType;
        EXPECT_EQ(sdp::RfcommChannel(records[0]), 9);
        EXPECT_EQ(sdp::ServiceName(records[0]), "Push it");
        EXPECT_EQ(records[0].Get(sdp::attr::kServiceRecordHandle)->AsUnsigned(), sim::kFirstRecordHandle);
    }
    // The protocol UUIDs match too: every service here runs on RFCOMM.
    std::vector<std::uint8_t> response;
    ASSERT_EQ(Search(stack, kPhone, simtest::Uuid16(0x0003), &response), 0u);
    EXPECT_EQ(Records(response).size(), 3u);
}

TEST(RadioSdp, AShortUuidFindsARecordKeyedByItsLongForm) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    sdp::Record wide;
    wide.Set(sdp::attr::kServiceRecordHandle, sdp::DataElement::UInt32(0x10000));
    wide.Set(sdp::attr::kServiceClassIdList, sdp::DataElement::Sequence({sdp::DataElement::Uuid128(sdp::uuids::kSerialPort)}));
    sim::Radio::Instance().SetSdpRecords(kPhone, {wide});
    Stack stack;
    std::vector<std::uint8_t> response;
    ASSERT_EQ(Search(stack, kPhone, simtest::Uuid16(0x1101), &response), 0u);
    auto records = Records(response);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], wide);
}

TEST(RadioSdp, AnswersOnlyTheAttributesAskedForAndNothingForAMissingProfile) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    Stack stack;
    std::vector<std::uint8_t> response;
    ASSERT_EQ(Search(stack, kPhone, simtest::Uuid16(0x1106), &response, sdp::attr::kProtocolDescriptorList,
                     sdp::attr::kProtocolDescriptorList),
              0u);
    auto records = Records(response);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].attributes().size(), 1u);
    EXPECT_EQ(sdp::RfcommChannel(records[0]), 10);

    ASSERT_EQ(Search(stack, kPhone, simtest::Uuid16(0x1103), &response), 0u);  // no dial-up networking
    EXPECT_EQ(response, (std::vector<std::uint8_t>{0x35, 0x00}));
}

TEST(RadioSdp, UnreachableDevicesFailTheFirstNext) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    Stack stack;
    std::vector<std::uint8_t> response;
    EXPECT_EQ(Search(stack, kAway, simtest::Uuid16(0x1101), &response), WSAEHOSTDOWN);
    EXPECT_EQ(Search(stack, 0x0000DEADBEEF, simtest::Uuid16(0x1101), &response), WSAEHOSTDOWN);
}

TEST(RadioSdp, OverrideAnswersWithExactlyItsBytes) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    const std::vector<std::uint8_t> malformed = {0x35, 0x05, 0x35, 0x09, 0x00};
    sim::Radio::Instance().SetSdpResponseOverride(kPhone, malformed);
    Stack stack;
    std::vector<std::uint8_t> response;
    ASSERT_EQ(Search(stack, kPhone, simtest::Uuid16(0x1105), &response), 0u);
    EXPECT_EQ(response, malformed);

    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));  // Reset clears it
    ASSERT_EQ(Search(stack, kPhone, simtest::Uuid16(0x1105), &response), 0u);
    EXPECT_EQ(Records(response).size(), 1u);
}

TEST(RadioSdp, ShortBufferGetsTheSizeNeeded) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    Stack stack;
    HANDLE lookup = nullptr;
    ASSERT_EQ(stack.BeginSearch(kPhone, simtest::Uuid16(0x0003), &lookup), 0u);
    std::vector<std::uint64_t> buffer;
    DWORD length = sizeof(WSAQUERYSETW);
    ASSERT_EQ(stack.Next(lookup, buffer, &length), WSAEFAULT);
    ASSERT_GT(length, sizeof(WSAQUERYSETW) + sizeof(BLOB));
    ASSERT_EQ(stack.Next(lookup, buffer, &length), 0u);
    EXPECT_EQ(Records(simtest::BlobBytes(buffer)).size(), 3u);
    EXPECT_EQ(stack.End(lookup), 0u);
}

TEST(RadioSdp, MalformedRestrictionsAreRefusedAtBegin) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    Stack stack;
    HANDLE lookup = nullptr;
    SdpQueryUuid none{};
    SdpQueryUuid unknown = simtest::Uuid16(0x1101);
    unknown.uuidType = 0x0830;
    EXPECT_EQ(stack.BeginSearch(kPhone, none, &lookup), WSAEINVAL);
    EXPECT_EQ(stack.BeginSearch(kPhone, unknown, &lookup), WSAEINVAL);
    EXPECT_EQ(stack.BeginSearch(kPhone, simtest::Uuid16(0x1101), &lookup, 9, 8), WSAEINVAL);

    SOCKADDR_BTH address{AF_BTH, kPhone, {}, 0};
    CSADDR_INFO csa{};
    csa.RemoteAddr.lpSockaddr = &address;
    BTHNS_RESTRICTIONBLOB restriction{};
    restriction.type = SDP_SERVICE_SEARCH_ATTRIBUTE_REQUEST;
    restriction.uuids[0] = simtest::Uuid16(0x1101);
    restriction.numRange = 1;
    restriction.pRange[0] = {0, 0xFFFF};
    BLOB blob{sizeof restriction, reinterpret_cast<BYTE*>(&restriction)};
    WSAQUERYSETW query{};
    query.dwNameSpace = NS_BTH;
    query.lpcsaBuffer = &csa;
    query.lpBlob = &blob;
    BthCallBlock block;
    block.querySet = &query;
    ASSERT_EQ(stack.Request(bth::kNsLookupServiceBegin, block), 0u);  // the well-formed one
    EXPECT_EQ(stack.End(block.lookup), 0u);

    const auto refused = [&] { return stack.Request(bth::kNsLookupServiceBegin, block); };
    blob.cbSize = sizeof restriction - 1;
    EXPECT_EQ(refused(), WSAEINVAL);
    blob.cbSize = sizeof restriction;
    restriction.numRange = 2;  // the second range lies outside the blob
    EXPECT_EQ(refused(), WSAEINVAL);
    restriction.numRange = 1;
    restriction.type = SDP_SERVICE_SEARCH_REQUEST;
    EXPECT_EQ(refused(), WSAEINVAL);
    restriction.type = SDP_SERVICE_SEARCH_ATTRIBUTE_REQUEST;
    blob.pBlobData = nullptr;
    EXPECT_EQ(refused(), WSAEINVAL);
    query.lpBlob = nullptr;
    EXPECT_EQ(refused(), WSAEINVAL);
    query.lpBlob = &blob;
    csa.RemoteAddr.lpSockaddr = nullptr;
    EXPECT_EQ(refused(), WSAEINVAL);
    query.lpcsaBuffer = nullptr;
    EXPECT_EQ(refused(), WSAEINVAL);
}

TEST(RadioSdp, DatabaseFillsInChannelsAndNames) {
    using sim::Profile;
    const auto database = sim::BuildSdpDatabase(
        {{Profile::DialupNetworking, "", 0}, {Profile::SerialPort, "", 1}, {Profile::FileTransfer, "Files", 0},
         {Profile::Handsfree, "", 3}});
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
