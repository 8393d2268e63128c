// UUID forms: short values in the base UUID, text, and the platform's GUID layout.
#include <gtest/gtest.h>

#include "platform/bluetooth/sdp_uuid.h"

namespace sdp {
namespace {

TEST(SdpUuid, ShortFormsLiveInTheBaseUuid) {
    EXPECT_EQ(Uuid::FromShort(0x1101).ToString(), "00001101-0000-1000-8000-00805F9B34FB");
    EXPECT_EQ(Uuid::FromShort(0x1101).ToShort(), 0x1101u);
    EXPECT_EQ(Uuid::FromShort(0xABCDEF01).ToShort(), 0xABCDEF01u);
    Uuid outside = Uuid::FromShort(0x1101);
    outside.bytes[15] ^= 1;
    EXPECT_EQ(outside.ToShort(), std::nullopt);
    outside = Uuid::FromShort(0x1101);
    outside.bytes[4] = 1;
    EXPECT_EQ(outside.ToShort(), std::nullopt);
}

TEST(SdpUuid, ParsesTextStrictly) {
    EXPECT_EQ(Uuid::FromString("00001105-0000-1000-8000-00805f9b34fb"), uuids::kObexObjectPush);
    EXPECT_EQ(Uuid::FromString("{00001106-0000-1000-8000-00805F9B34FB}"), uuids::kObexFileTransfer);
    for (const char* bad : {"", "00001101-0000-1000-8000-00805F9B34F", "00001101-0000-1000-8000-00805F9B34FB0",
                            "000011010-000-1000-8000-00805F9B34FB", "00001101-0000-1000-8000-00805F9B34FG",
                            "00001101x0000-1000-8000-00805F9B34FB", "{00001101-0000-1000-8000-00805F9B34FB",
                            "00001101-0000-1000-8000-+0805F9B34FB"}) {
        EXPECT_EQ(Uuid::FromString(bad), std::nullopt) << bad;
    }
}

TEST(SdpUuid, GuidFieldsAreNumbersTheWireIsBigEndian) {
    const GUID guid = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    const Uuid uuid = Uuid::FromGuid(guid);
    const std::array<std::uint8_t, 16> wire = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(uuid.bytes, wire);
    EXPECT_EQ(uuid.ToString(), "12345678-9ABC-DEF0-0102-030405060708");
    EXPECT_EQ(uuid.ToGuid(), guid);
    EXPECT_EQ(uuids::kSerialPort.ToGuid().Data1, 0x1101u);
}

}  // namespace
}  // namespace sdp
