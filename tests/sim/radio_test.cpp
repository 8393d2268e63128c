#include <gtest/gtest.h>

#include "platform/bluetooth/bt_driver.h"
#include "platform/kernel/kernel.h"
#include "platform/registry/registry.h"
#include "sim/radio.h"
#include "support/sim_world.h"
#include "support/tools.h"

namespace {

HANDLE OpenStack() {
    return CreateFileW(L"BTD0:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

TEST(Radio, AdapterAnswersLocalRequestsFromItsWorld) {
    ASSERT_NO_FATAL_FAILURE(
        testsupport::UseWorld(R"({"adapter": {"address": "01:02:03:04:05:06", "class": "0x5a020c", "scan": 2}})"));
    sim::Radio& radio = sim::Radio::Instance();
    BT_ADDR address = 0;
    ASSERT_EQ(radio.ReadLocalAddress(&address), 0u);
    EXPECT_EQ(address, 0x010203040506ull);
    std::uint32_t cod = 0;
    ASSERT_EQ(radio.ReadLocalClass(&cod), 0u);
    EXPECT_EQ(cod, 0x5A020Cu);
    std::uint8_t mask = 0;
    ASSERT_EQ(radio.ReadScanMask(&mask), 0u);
    EXPECT_EQ(mask, 2u);
    ASSERT_EQ(radio.WriteScanMask(3), 0u);
    EXPECT_EQ(radio.adapter().scanMask, 3);
}

TEST(Radio, HardwareBecomesReadyFromTheConfiguredRead) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"adapter": {"hardware": "shutdown", "ready_after_reads": 3}})"));
    for (DWORD expected : {HCI_HARDWARE_SHUTDOWN, HCI_HARDWARE_SHUTDOWN, HCI_HARDWARE_RUNNING, HCI_HARDWARE_RUNNING}) {
        std::uint32_t status = 0;
        ASSERT_EQ(sim::Radio::Instance().ReadHardwareStatus(&status), 0u);
        EXPECT_EQ(status, expected);
    }
}

TEST(Radio, StackAndServiceDevicesExistAsTheWorldSays) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"adapter": {"stack": false, "service": false}})"));
    EXPECT_EQ(OpenStack(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(L"BTS1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);

    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"adapter": {"faults": ["bts-stop"]}})"));
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

TEST(Radio, TheAdapterNameBecomesTheDeviceNameWhenAbsent) {
    HKEY ident = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Ident", 0, KEY_ALL_ACCESS, &ident), ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueW(ident, L"Name"), ERROR_SUCCESS);  // written by the start-up world
    RegCloseKey(ident);
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"adapter": {"name": "Pocket Ünit"}})"));
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"adapter": {"name": "Other"}})"));  // present now: kept
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
              "backend\tsim\npower\ton\n"
              "name\tPocket PC\naddress\t00:0a:3a:12:34:56\nclass\t0x120114\nfindable\t1\nauthenticate\t0\n");
}

}  // namespace
