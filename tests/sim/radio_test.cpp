#include <gtest/gtest.h>

#include "platform/bluetooth/bt_driver.h"
#include "platform/kernel/kernel.h"
#include "platform/registry/registry.h"
#include "sim/radio.h"
#include "support/tools.h"

namespace {

bool Request(HANDLE stack, DWORD code, BthCallBlock& block) {
    return DeviceIoControl(stack, code, &block, sizeof block, nullptr, 0, nullptr, nullptr) != FALSE;
}

HANDLE OpenStack() {
    return CreateFileW(L"BTD0:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(Radio, AdapterAnswersLocalRequestsFromItsWorld) {
    std::string error;
    ASSERT_TRUE(sim::UseWorldText(R"({"adapter": {"address": "01:02:03:04:05:06", "class": "0x5a020c", "scan": 2}})",
                                  &error))
        << error;
    HANDLE stack = OpenStack();
    ASSERT_NE(stack, INVALID_HANDLE_VALUE);
    BthCallBlock block;
    ASSERT_TRUE(Request(stack, bth::kReadLocalAddr, block));
    EXPECT_EQ(block.address, 0x010203040506ull);
    block = {};
    ASSERT_TRUE(Request(stack, bth::kReadCod, block));
    EXPECT_EQ(block.value, 0x5A020Cu);
    block = {};
    ASSERT_TRUE(Request(stack, bth::kReadScanEnableMask, block));
    EXPECT_EQ(block.value, 2u);
    block = {};
    block.value = 3;
    ASSERT_TRUE(Request(stack, bth::kWriteScanEnableMask, block));
    EXPECT_EQ(sim::Radio::Instance().adapter().scanMask, 3);
    CloseHandle(stack);
}

TEST(Radio, HardwareBecomesReadyFromTheConfiguredRead) {
    std::string error;
    ASSERT_TRUE(sim::UseWorldText(R"({"adapter": {"hardware": "shutdown", "ready_after_reads": 3}})", &error));
    HANDLE stack = OpenStack();
    for (DWORD expected : {HCI_HARDWARE_SHUTDOWN, HCI_HARDWARE_SHUTDOWN, HCI_HARDWARE_RUNNING, HCI_HARDWARE_RUNNING}) {
        BthCallBlock block;
        ASSERT_TRUE(Request(stack, bth::kGetHardwareStatus, block));
        EXPECT_EQ(block.value, expected);
    }
    CloseHandle(stack);
}

TEST(Radio, StackAndServiceDevicesExistAsTheWorldSays) {
    std::string error;
    ASSERT_TRUE(sim::UseWorldText(R"({"adapter": {"stack": false, "service": false}})", &error));
    EXPECT_EQ(OpenStack(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(L"BTS1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);

    ASSERT_TRUE(sim::UseWorldText(R"({"adapter": {"faults": ["bts-stop"]}})", &error));
    HANDLE service = CreateFileW(L"BTS1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(service, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeviceIoControl(service, IOCTL_SERVICE_STOP, nullptr, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_TRUE(DeviceIoControl(service, IOCTL_SERVICE_START, nullptr, 0, nullptr, 0, nullptr, nullptr));
    CloseHandle(service);

    HANDLE stack = OpenStack();
    wchar_t card[] = L"card", other[] = L"disk";
    EXPECT_TRUE(DeviceIoControl(stack, IOCTL_SERVICE_START, card, sizeof card, nullptr, 0, nullptr, nullptr));
    EXPECT_FALSE(DeviceIoControl(stack, IOCTL_SERVICE_START, other, sizeof other, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(sim::Radio::Instance().adapter().stackStarts, 1u);
    CloseHandle(stack);
}

TEST(Radio, FirstUseWritesTheAdapterNameAsTheDeviceNameWhenAbsent) {
    std::string error;
    ASSERT_TRUE(sim::UseWorldText(R"({"adapter": {"name": "Pocket Ünit"}})", &error));
    ASSERT_TRUE(sim::UseWorldText(R"({"adapter": {"name": "Other"}})", &error));  // present now: kept
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Ident", 0, KEY_READ, &key), ERROR_SUCCESS);
    wchar_t name[64] = {};
    DWORD size = sizeof name / sizeof name[0] * 2, type = 0;
    ASSERT_EQ(RegQueryValueExW(key, L"Name", nullptr, &type, reinterpret_cast<BYTE*>(name), &size), ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(name), L"Pocket Ünit");
    RegCloseKey(key);
}

TEST(Radio, RunCommandPrintsTheDefaultAdapter) {
    std::string output;
    ASSERT_EQ(testsupport::RunCommand(testsupport::ToolPath("nimbrelctl") + " status", &output), 0);
    EXPECT_EQ(output,
              "name\tPocket PC\naddress\t00:0a:3a:12:34:56\nclass\t0x120114\nfindable\t1\nauthenticate\t0\n");
}

}  // namespace
