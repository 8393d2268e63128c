// Building RFCOMM service records and reading channel, class and name back out of records.
#include <gtest/gtest.h>

#include <vector>

#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_profile.h"
#include "platform/bluetooth/sdp_search.h"

namespace sdp {
namespace {

using Bytes = std::vector<std::uint8_t>;
using E = DataElement;

TEST(SdpProfile, BuildsSerialPortRecordByteForByte) {
    const Record spp = BuildRfcommServiceRecord(0x10000, uuids::kSerialPort, 3, "COM", false, 0x0102);
    // clang-format off
    const Bytes expected = {
        0x35, 0x3E,
        0x09, 0x00, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x00,                    // handle
        0x09, 0x00, 0x01, 0x35, 0x03, 0x19, 0x11, 0x01,                    // class: serial port
        0x09, 0x00, 0x04, 0x35, 0x0C, 0x35, 0x03, 0x19, 0x01, 0x00,        // L2CAP
                                      0x35, 0x05, 0x19, 0x00, 0x03, 0x08, 0x03,  // RFCOMM channel 3
        0x09, 0x00, 0x05, 0x35, 0x03, 0x19, 0x10, 0x02,                    // public browse group
        0x09, 0x00, 0x09, 0x35, 0x08, 0x35, 0x06, 0x19, 0x11, 0x01, 0x09, 0x01, 0x02,  // profile 1.2
        0x09, 0x01, 0x00, 0x25, 0x03, 'C', 'O', 'M',                        // name
    };
    // clang-format on
    EXPECT_EQ(spp.Encode(), expected);
    EXPECT_EQ(RfcommChannel(spp), 3);
    EXPECT_TRUE(HasServiceClass(spp, uuids::kSerialPort));
    EXPECT_FALSE(HasServiceClass(spp, uuids::kDialupNetworking));
    EXPECT_EQ(ServiceName(spp), "COM");
}

TEST(SdpProfile, ObexRecordCarriesObexAndOmitsAbsentVersion) {
    const Uuid vendor = *Uuid::FromString("8E1D0F00-0000-4000-8000-112233445566");
    const Record r = BuildRfcommServiceRecord(7, vendor, 12, "Push", true, std::nullopt);
    EXPECT_FALSE(r.Has(attr::kBluetoothProfileDescriptorList));
    EXPECT_TRUE(RecordContainsUuid(r, uuids::kObex));
    EXPECT_EQ(r.Get(attr::kServiceClassIdList)->Children().at(0).width(), 16u);
    EXPECT_TRUE(HasServiceClass(r, vendor));
    EXPECT_EQ(RfcommChannel(r), 12);
    const auto& stack = r.Get(attr::kProtocolDescriptorList)->Children();
    ASSERT_EQ(stack.size(), 3u);
    EXPECT_TRUE(stack[2] == E::Sequence({E::Uuid16(0x0008)}));
}

Record WithProtocols(DataElement list) {
    Record r;
    r.Set(attr::kProtocolDescriptorList, std::move(list));
    return r;
}

TEST(SdpProfile, FindsRfcommChannelInRemoteShapes) {
    const auto l2cap = E::Sequence({E::Uuid16(0x0100)});
    const auto rfcomm = [](DataElement channel) { return E::Sequence({E::Uuid16(0x0003), std::move(channel)}); };
    // Alternative protocol stacks, a 128-bit RFCOMM UUID, a uint16 channel.
    EXPECT_EQ(
        RfcommChannel(WithProtocols(E::Alternative({E::Sequence({l2cap}), E::Sequence({l2cap, rfcomm(E::UInt8(5))})}))),
        5);
    EXPECT_EQ(
        RfcommChannel(WithProtocols(E::Sequence({l2cap, E::Sequence({E::Uuid128(uuids::kRfcomm), E::UInt8(9)})}))), 9);
    EXPECT_EQ(RfcommChannel(WithProtocols(E::Sequence({l2cap, rfcomm(E::UInt16(30))}))), 30);

    for (const DataElement& bad :
         {E::Sequence({l2cap, rfcomm(E::UInt8(0))}), E::Sequence({l2cap, rfcomm(E::UInt8(31))}),
          E::Sequence({l2cap, rfcomm(E::UInt16(0x0103))}), E::Sequence({l2cap, rfcomm(E::Int8(4))}),
          E::Sequence({l2cap, E::Sequence({E::Uuid16(0x0003)})}),
          E::Sequence({E::Sequence({E::UInt8(4), E::Uuid16(0x0003)})}), E::Uuid16(0x0003)}) {
        EXPECT_EQ(RfcommChannel(WithProtocols(bad)), std::nullopt) << ::testing::PrintToString(Encode(bad));
    }
    EXPECT_EQ(RfcommChannel(Record()), std::nullopt);
}

TEST(SdpProfile, ServiceNameDropsTrailingNulsAndNeedsText) {
    Record r;
    r.Set(attr::kServiceName, E::Text(std::string("COM1\0\0", 6)));
    EXPECT_EQ(ServiceName(r), "COM1");
    r.Set(attr::kServiceName, E::Url("COM1"));
    EXPECT_EQ(ServiceName(r), std::nullopt);
    r.Set(attr::kServiceClassIdList, E::Uuid16(0x1101));  // a bare UUID, not a list
    EXPECT_FALSE(HasServiceClass(r, uuids::kSerialPort));
}

}  // namespace
}  // namespace sdp
