// The stack's texts: addresses, security-store value names and device names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(BtNames, EveryStoredFormOfAnAddressIsWrittenAsBeforeAndReadBack) {
    struct Form {
        BT_ADDR address;
        const char* colons;
        const char* digits;
        const wchar_t* upper;
    };
    for (const Form& form : {Form{0x0012AB34CD56ull, "00:12:ab:34:cd:56", "0012ab34cd56", L"0012AB34CD56"},
                             Form{0xFFFF00000000000Aull, "00:00:00:00:00:0a", "00000000000a", L"00000000000A"},
                             Form{0xFFFFFFFFFFFFull, "ff:ff:ff:ff:ff:ff", "ffffffffffff", L"FFFFFFFFFFFF"}}) {
        const BT_ADDR bits = form.address & 0xFFFFFFFFFFFFull;
        EXPECT_EQ(bth::FormatAddress(form.address), form.colons);
        EXPECT_EQ(bth::AddressDigits(form.address), form.digits);
        EXPECT_EQ(bth::AddressDigitsW(form.address), std::wstring(form.digits, form.digits + 12));
        EXPECT_EQ(bth::UpperAddressDigitsW(form.address), form.upper);
        BT_ADDR parsed = 0;
        EXPECT_TRUE(bth::ParseAddress(form.colons, &parsed) && parsed == bits) << form.colons;
        parsed = 0;
        EXPECT_TRUE(bth::ParseAddress(form.digits, &parsed, bth::AddressForm::Digits) && parsed == bits) << form.digits;
        parsed = 0;
        EXPECT_TRUE(bth::ParseAddress(std::wstring_view(form.upper), &parsed, bth::AddressForm::Digits) &&
                    parsed == bits);
        // Each form is read only where it is asked for.
        EXPECT_FALSE(bth::ParseAddress(form.digits, &parsed));
        EXPECT_FALSE(bth::ParseAddress(form.colons, &parsed, bth::AddressForm::Digits));
    }
    BT_ADDR address = 7;
    const std::vector<std::wstring> malformed = {L"0012ab34cd5",
                                                 L"0012ab34cd567",
                                                 L"0012ab34cd5g",
                                                 L"0012ab34cd5\u00e6",
                                                 L" 012ab34cd56",
                                                 L"0x0012ab34cd",
                                                 L"",
                                                 std::wstring(100000, L'0')};
    for (const std::wstring& bad : malformed)
        EXPECT_FALSE(bth::ParseAddress(std::wstring_view(bad), &address, bth::AddressForm::Digits))
            << bad.substr(0, 20);
    for (const char* bad : {"00:12:ab:34:cd", "00:12:ab:34:cd:56:", "00.12.ab.34.cd.56", "0:012:ab:34:cd:56",
                            "00:12:ab:34:cd:5\xe6", "00:12:ab:34:cd:-5"})
        EXPECT_FALSE(bth::ParseAddress(bad, &address)) << bad;
    // U+0136 is no digit, though its low byte is '6'.
    EXPECT_FALSE(bth::ParseAddress(std::wstring_view(L"0012ab34cd5\u0136"), &address, bth::AddressForm::Digits));
    EXPECT_EQ(address, 7u);
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
