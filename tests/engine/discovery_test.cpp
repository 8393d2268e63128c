#include <gtest/gtest.h>

#include "engine/device/device_local.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "error_log.h"
#include "notification_log.h"
#include "platform/registry/registry.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;
using testsupport::NotificationLog;
using testsupport::UseWorld;

void WritePin(const wchar_t* name, size_t bytes, DWORD type = REG_BINARY) {
    HKEY key = nullptr;
    DWORD disposition = 0;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"software\\microsoft\\bluetooth\\security", 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &key, &disposition);
    // String data is wide text whose size counts UTF-16 bytes.
    std::wstring text(bytes / 2, L'7');
    std::vector<BYTE> pin(bytes, '7');
    const BYTE* data = type == REG_SZ ? reinterpret_cast<const BYTE*>(text.c_str()) : pin.data();
    RegSetValueExW(key, name, 0, type, data, static_cast<DWORD>(bytes));
    RegCloseKey(key);
}

// Runs one discovery to its end.
void Discover(CDeviceLocal& local, NotificationLog& log) {
    size_t ends = log.Count(NOTIFY_INQUIRY_END);
    ASSERT_EQ(local.FindDevices(), 1);
    ASSERT_TRUE(log.WaitFor(NOTIFY_INQUIRY_END, ends + 1));
}

std::vector<BT_ADDR> Addresses(CDeviceLocal& local) {
    auto lock = local.DevicesLock();
    std::vector<BT_ADDR> addresses;
    for (auto* device : local.GetDevices()) addresses.push_back(device->GetBtAddr());
    return addresses;
}

TEST(Discovery, PairedDevicesComeFromPinValuesWithStrictNames) {
    UseWorld("{}");
    WritePin(L"pin0012ab34cd56", 4);
    WritePin(L"key0012ab34cd57", 4);
    WritePin(L"PIN0012AB34CD58", 4);
    WritePin(L"pin0012ab34cd", 4);        // ten digits
    WritePin(L"pin0012ab34cd5a1", 4);     // thirteen
    WritePin(L"pin 0012ab34cd59", 4);     // a leading space is allowed
    WritePin(L"pin0012ab34cd60", 0);      // no PIN
    WritePin(L"pin0012ab34cd61", 17);     // too long a PIN
    WritePin(L"pin0012ab34cd62", 4, REG_SZ);
    {
        CRegistry registry;
        registry.WriteValueString(L"0012ab34cd58_Paired", L"Laptop");
        registry.WriteValueDword(L"0012ab34cd58_Class", 0x3E010C);
    }
    CDeviceLocal local;
    auto& log = NotificationLog::Attach();
    ASSERT_EQ(local.Activate(1), 1);
    Discover(local, log);
    EXPECT_EQ(Addresses(local), (std::vector<BT_ADDR>{0x0012AB34CD56, 0x0012AB34CD58, 0x0012AB34CD59}));
    auto lock = local.DevicesLock();
    EXPECT_EQ(local.GetDevices()[0]->GetName(), CString(L"Unknown"));
    EXPECT_EQ(local.GetDevices()[0]->GetClass(), 0u);
    EXPECT_EQ(local.GetDevices()[1]->GetName(), CString(L"Laptop"));
    EXPECT_EQ(local.GetDevices()[1]->GetClass(), 0x3E010Cu);
    EXPECT_EQ(local.GetDevices()[1]->IsPaired(), 1);
    EXPECT_EQ(local.GetFoundDevices(), 1);
}

TEST(Discovery, InquiryAddsTheDevicesInRangeOnceAndKeepsPairedOnesAsTheyAre) {
    UseWorld(R"({"devices": [
        {"name": "Phone", "address": "00:12:AB:34:CD:56", "class": "0x5A020C", "paired_pin": "1234"},
        {"name": "GPS", "address": "00:0B:0D:87:65:43", "class": "0x1F00"},
        {"name": "Far", "address": "00:0B:0D:87:65:44", "in_range": false},
        {"name": "Shy", "address": "00:0B:0D:87:65:45", "answers_inquiry": false}]})");
    CDeviceLocal local;
    auto& log = NotificationLog::Attach();
    EXPECT_EQ(local.FindDevices(), 0);  // not activated: nothing starts
    ASSERT_EQ(local.Activate(1), 1);
    Discover(local, log);
    EXPECT_EQ(Addresses(local), (std::vector<BT_ADDR>{0x0012AB34CD56, 0x000B0D876543}));
    EXPECT_EQ(log.Count(NOTIFY_DEVICE_ADDED), 2u);
    EXPECT_EQ(log.Codes().front(), NOTIFY_INQUIRY_BEGIN);
    auto lock = local.DevicesLock();
    EXPECT_EQ(local.GetDevices()[0]->IsPaired(), 1);
    EXPECT_EQ(local.GetDevices()[0]->GetName(), CString(L"Unknown"));  // no stored name: not renamed
    EXPECT_EQ(local.GetDevices()[1]->GetName(), CString(L"GPS"));
    EXPECT_EQ(local.GetDevices()[1]->GetClass(), 0x1F00u);
}

TEST(Discovery, AClasslessDeviceWhoseClassCannotBeReadIsKeptWithClassZero) {
    UseWorld(R"({"devices": [{"name": "Odd", "address": "00:00:00:00:00:01", "class": 0, "class_query": false}]})");
    CDeviceLocal local;
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    ASSERT_EQ(local.Activate(1), 1);
    Discover(local, log);
    EXPECT_EQ(Addresses(local), std::vector<BT_ADDR>{1});
    EXPECT_EQ(errors.Codes(), std::vector<int>{ERR_FOUND_DEVICE_COD});
    EXPECT_EQ(errors.Reports()[0].context, L"CDeviceLocal::findDistantDevices");
}

TEST(Discovery, RemoteNamesAreBoundedAndFreeOfControlCharacters) {
    UseWorld(R"({"devices": [{"name": "Evil\u0007\u001b[2JName", "address": "00:00:00:00:00:01"}]})");
    CDeviceLocal local;
    auto& log = NotificationLog::Attach();
    ASSERT_EQ(local.Activate(1), 1);
    Discover(local, log);
    auto lock = local.DevicesLock();
    ASSERT_EQ(local.GetDevices().GetSize(), 1);
    EXPECT_EQ(local.GetDevices()[0]->GetName(), CString(L"Evil  [2JName"));
}

TEST(Discovery, ASecondSearchWhileOneRunsIsRefusedAndDeletesNothing) {
    UseWorld(R"({"timing": {"inquiry_ms": 60000}, "devices": [{"name": "A", "address": "00:00:00:00:00:01"}]})");
    WritePin(L"pin000000000009", 4);
    CDeviceLocal local;
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    ASSERT_EQ(local.Activate(1), 1);
    ASSERT_EQ(local.FindDevices(), 1);
    ASSERT_TRUE(log.WaitFor(NOTIFY_DEVICE_ADDED));  // the paired device; the inquiry now waits
    EXPECT_EQ(local.FindDevices(), 1);
    EXPECT_EQ(errors.Codes(), std::vector<int>{ERR_INQUIRY_RUNNING});
    EXPECT_EQ(Addresses(local), std::vector<BT_ADDR>{9});
    // Switching off ends the long inquiry at once; what was found stays.
    EXPECT_EQ(local.Activate(0), 1);
    EXPECT_EQ(Addresses(local), std::vector<BT_ADDR>{9});
    EXPECT_EQ(log.Count(NOTIFY_INQUIRY_END), 1u);
    EXPECT_FALSE(errors.Has(ERR_INQUIRY_NO_STOP));
}

}  // namespace
