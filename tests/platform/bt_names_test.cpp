// The stack's texts: addresses, security-store value names and device names.
#include <gtest/gtest.h>

#include "platform/bluetooth/bt_address.h"
#include "platform/bluetooth/bt_device_name.h"
#include "platform/bluetooth/bt_security_store.h"

namespace {

TEST(BtNames, AddressesParseAndFormat) {
    BT_ADDR address = 0;
    EXPECT_TRUE(bth::ParseAddress("00:12:AB:34:cd:56", &address));
    EXPECT_EQ(address, 0x0012AB34CD56ull);
    EXPECT_EQ(bth::FormatAddress(address), "00:12:ab:34:cd:56");
    EXPECT_EQ(bth::FormatAddress(0xFFFF0012AB34CD56ull), "00:12:ab:34:cd:56");  // only 48 bits
    for (const char* bad : {"00-12-AB-34-CD-56", "00:12:AB:34:CD:5G", "00:12:AB:34:CD:5", "00:12:AB:34:CD:566", ""})
        EXPECT_FALSE(bth::ParseAddress(bad, &address)) << bad;
    EXPECT_EQ(address, 0x0012AB34CD56ull);  // untouched by the failures
}

TEST(BtNames, PinValueNamesCarryTheAddressInTwelveDigits) {
    EXPECT_EQ(bth::PinValueName(0xFFFF0012AB34CD56ull), L"pin0012ab34cd56");
    BT_ADDR address = 0;
    ASSERT_TRUE(bth::ParsePinValueName(L"PIN0012AB34CD56", &address));
    EXPECT_EQ(address, 0x0012AB34CD56ull);
    ASSERT_TRUE(bth::ParsePinValueName(L"pin  000e9f112233 old", &address));
    EXPECT_EQ(address, 0x000E9F112233ull);
    for (const wchar_t* bad : {L"pin", L"pim0012ab34cd56", L"pin0012ab34cd5", L"pin0012ab34cd56x", L"pin0012ab34cd5g"})
        EXPECT_FALSE(bth::ParsePinValueName(bad, &address)) << bad;
}

TEST(BtNames, DeviceNamesAreCutToTheirUtf8BudgetAtACharacterBoundary) {
    EXPECT_EQ(bth::CutDeviceName(std::wstring(248, L'a')), std::wstring(248, L'a'));
    EXPECT_EQ(bth::CutDeviceName(std::wstring(249, L'a')), std::wstring(248, L'a'));
    EXPECT_EQ(bth::CutDeviceName(std::wstring(125, L'é')), std::wstring(124, L'é'));  // 2 bytes each
    const std::wstring emoji = std::wstring(246, L'a') + L"\U0001F600";               // 4 more bytes
    EXPECT_EQ(bth::CutDeviceName(emoji), std::wstring(246, L'a'));
}

}  // namespace
