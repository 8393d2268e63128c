// Service-search-attribute replies from remote devices: shape checks and record parsing.
#include <gtest/gtest.h>

#include <vector>

#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_stream.h"

namespace sdp {
namespace {

using Bytes = std::vector<std::uint8_t>;
using E = DataElement;

// Two attribute lists: {0x0000: uint32 0x10000, 0x0100: "Fax"} and {} (empty).
// clang-format off
const Bytes kReply = {0x35, 0x14,
                      0x35, 0x10, 0x09, 0x00, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x00,
                                  0x09, 0x01, 0x00, 0x25, 0x03, 'F', 'a', 'x',
                      0x35, 0x00};
// clang-format on

TEST(SdpStream, VerifiesSequenceOfSequences) {
    std::size_t count = 99;
    EXPECT_TRUE(VerifySequenceOfSequences(kReply.data(), kReply.size(), &count));
    EXPECT_EQ(count, 2u);
    const Bytes empty = {0x35, 0x00};
    EXPECT_TRUE(VerifySequenceOfSequences(empty.data(), empty.size(), &count));
    EXPECT_EQ(count, 0u);

    const struct {
        const char* what;
        Bytes bytes;
    } bad[] = {
        {"nothing", {}},
        {"not a sequence", {0x09, 0x00, 0x01}},
        {"alternative outside", {0x3D, 0x02, 0x35, 0x00}},
        {"child not a sequence", {0x35, 0x05, 0x35, 0x00, 0x08, 0x01, 0x00}},
        {"alternative child", {0x35, 0x02, 0x3D, 0x00}},
        {"trailing byte", {0x35, 0x02, 0x35, 0x00, 0x00}},
        {"second reply after the first", {0x35, 0x00, 0x35, 0x00}},
        {"malformed grandchild", {0x35, 0x04, 0x35, 0x02, 0x19, 0x00}},
    };
    for (const auto& b : bad) EXPECT_FALSE(VerifySequenceOfSequences(b.bytes.data(), b.bytes.size(), &count)) << b.what;
}

TEST(SdpStream, RetrievesRecordsAllOrNothing) {
    std::vector<Record> records;
    ASSERT_TRUE(RetrieveRecords(kReply.data(), kReply.size(), &records));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Get(attr::kServiceRecordHandle)->AsUnsigned(), 0x10000u);
    EXPECT_EQ(records[0].Get(attr::kServiceName)->AsText(), "Fax");
    EXPECT_FALSE(records[0].Has(attr::kServiceClassIdList));
    EXPECT_TRUE(records[1].attributes().empty());
    EXPECT_EQ(records[0].Encode(), Bytes(kReply.begin() + 2, kReply.end() - 2));

    // An odd attribute list in the second record spoils the whole reply.
    const Bytes oddSecond = {0x35, 0x09, 0x35, 0x04, 0x09, 0x00, 0x00, 0x00, 0x35, 0x01, 0x00};
    EXPECT_FALSE(RetrieveRecords(oddSecond.data(), oddSecond.size(), &records));
    EXPECT_EQ(records.size(), 2u) << "output replaced on failure";
}

TEST(SdpRecord, FromElementIsStrict) {
    EXPECT_TRUE(Record::FromElement(E::Sequence({})));
    const auto good = Record::FromElement(E::Sequence({E::UInt16(1), E::Nil(), E::UInt16(2), E::Bool(true)}));
    ASSERT_TRUE(good);
    EXPECT_EQ(good->attributes().size(), 2u);

    const struct {
        const char* what;
        DataElement list;
    } bad[] = {
        {"odd count", E::Sequence({E::UInt16(1), E::Nil(), E::UInt16(2)})},
        {"repeated id", E::Sequence({E::UInt16(1), E::Nil(), E::UInt16(1), E::Nil()})},
        {"descending ids", E::Sequence({E::UInt16(2), E::Nil(), E::UInt16(1), E::Nil()})},
        {"uint8 id", E::Sequence({E::UInt8(1), E::Nil()})},
        {"uint32 id", E::Sequence({E::UInt32(1), E::Nil()})},
        {"signed id", E::Sequence({E::Int16(1), E::Nil()})},
        {"alternative", E::Alternative({E::UInt16(1), E::Nil()})},
        {"not a container", E::UInt16(1)},
    };
    for (const auto& b : bad) EXPECT_FALSE(Record::FromElement(b.list)) << b.what;
}

}  // namespace
}  // namespace sdp
