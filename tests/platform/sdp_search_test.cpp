// The simulated radio's side: matching search patterns and cutting attribute lists.
#include <gtest/gtest.h>

#include <vector>

#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_profile.h"
#include "platform/bluetooth/sdp_search.h"

namespace sdp {
namespace {

using E = DataElement;

// A serial port record with its class written as a 128-bit UUID, as some stacks do.
Record WideSerialPort() {
    Record r;
    r.Set(attr::kServiceRecordHandle, E::UInt32(3));
    r.Set(attr::kServiceClassIdList, E::Sequence({E::Uuid128(uuids::kSerialPort)}));
    return r;
}

const std::vector<Record> kDatabase = {
    BuildRfcommServiceRecord(1, uuids::kSerialPort, 1, "Serial", false, 0x0102),
    BuildRfcommServiceRecord(2, uuids::kObexObjectPush, 2, "Push", true, 0x0100),
    WideSerialPort(),
};

std::vector<std::uint64_t> Handles(const DataElement& reply) {
    std::vector<std::uint64_t> handles;
    for (const DataElement& list : reply.Children())
        handles.push_back(*Record::FromElement(list)->Get(0)->AsUnsigned());
    return handles;
}

TEST(SdpSearch, MatchesUuidsAtAnyWidthAndDepth) {
    const Uuid serialFromShort = *E::Uuid16(0x1101).AsUuid();
    const Uuid serialFromWide = *E::Uuid128(uuids::kSerialPort).AsUuid();
    using H = std::vector<std::uint64_t>;
    EXPECT_EQ(Handles(AnswerServiceSearchAttribute(kDatabase, {serialFromShort}, 0, 0xFFFF)), (H{1, 3}));
    EXPECT_EQ(Handles(AnswerServiceSearchAttribute(kDatabase, {serialFromWide}, 0, 0xFFFF)), (H{1, 3}));
    // Every pattern UUID must be present; L2CAP and OBEX sit deep in the protocol list.
    EXPECT_EQ(Handles(AnswerServiceSearchAttribute(kDatabase, {uuids::kL2cap, uuids::kObex}, 0, 0xFFFF)), (H{2}));
    EXPECT_EQ(Handles(AnswerServiceSearchAttribute(kDatabase, {uuids::kL2cap}, 0, 0xFFFF)), (H{1, 2}));
    EXPECT_EQ(Encode(AnswerServiceSearchAttribute(kDatabase, {uuids::kSerialPort, uuids::kObex}, 0, 0xFFFF)),
              (std::vector<std::uint8_t>{0x35, 0x00}));
    EXPECT_FALSE(RecordContainsUuid(kDatabase[0], uuids::kObex));
}

TEST(SdpSearch, KeepsOnlyRequestedAttributes) {
    const DataElement reply = AnswerServiceSearchAttribute(kDatabase, {uuids::kSerialPort}, 0x0001, 0x0005);
    ASSERT_EQ(reply.Children().size(), 2u);
    const Record first = *Record::FromElement(reply.Children()[0]);
    std::vector<std::uint16_t> ids;
    for (const auto& [id, value] : first.attributes()) ids.push_back(id);
    EXPECT_EQ(ids, (std::vector<std::uint16_t>{0x0001, 0x0004, 0x0005}));
    EXPECT_TRUE(*first.Get(0x0004) == *kDatabase[0].Get(0x0004));

    const DataElement split =
        AnswerServiceSearchAttribute(kDatabase, {uuids::kObexObjectPush}, {{0, 0}, {0x0100, 0x0100}});
    const Record push = *Record::FromElement(split.Children().at(0));
    EXPECT_EQ(push.attributes().size(), 2u);
    EXPECT_EQ(ServiceName(push), "Push");

    // A matching record with nothing in range still answers, with an empty list.
    const DataElement none = AnswerServiceSearchAttribute(kDatabase, {uuids::kSerialPort}, 0x0200, 0x0100);
    EXPECT_TRUE(none == E::Sequence({E::Sequence({}), E::Sequence({})}));
}

}  // namespace
}  // namespace sdp
