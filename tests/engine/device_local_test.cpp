#include <gtest/gtest.h>

#include <chrono>

#include "engine/device/device_local.h"
#include "engine/frame/error_codes.h"
#include "error_log.h"
#include "platform/registry/registry.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;

// The handheld's name, written by the world the test program started with.
void ForgetDeviceName() {
    HKEY ident = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Ident", 0, KEY_ALL_ACCESS, &ident), ERROR_SUCCESS);
    RegDeleteValueW(ident, L"Name");
    RegCloseKey(ident);
}

void UseAdapter(const std::string& adapterJson) { testsupport::UseWorld("{\"adapter\": " + adapterJson + "}"); }

TEST(DeviceLocal, ConstructionReadsTheRadioAndTheDeviceName) {
    ForgetDeviceName();
    UseAdapter(R"({"name": "Handheld", "address": "00:0A:3A:12:34:56", "class": "0x120114",
                            "scan": 2, "authentication": 1})");
    CDeviceLocal local;
    EXPECT_EQ(local.GetName(), CString(L"Handheld"));
    EXPECT_EQ(local.GetBtAddr(), 0x000A3A123456ull);
    EXPECT_EQ(local.GetClass(), 0x120114u);
    EXPECT_EQ(local.GetFindable(), 0);
    EXPECT_EQ(local.GetAuthenticate(), 1);
    EXPECT_EQ(local.GetActivated(), 0);
}

TEST(DeviceLocal, FailedRadioReadsKeepTheDefaultsAndAMissingNameIsEmpty) {
    UseAdapter(R"({"faults": ["local-reads"], "name": ""})");
    ForgetDeviceName();
    CDeviceLocal local;
    EXPECT_EQ(local.GetBtAddr(), 0u);
    EXPECT_EQ(local.GetClass(), 0u);
    EXPECT_EQ(local.GetFindable(), 1);
    EXPECT_EQ(local.GetAuthenticate(), 0);
    EXPECT_TRUE(local.GetName().IsEmpty());
}

TEST(DeviceLocal, FindabilityWritesTheScanMaskAndKeepsTheFlagWhenRefused) {
    UseAdapter("{}");
    CDeviceLocal local;
    auto& log = ErrorLog::Attach();
    local.SetFindable(0);
    EXPECT_EQ(sim::Radio::Instance().adapter().scanMask, 2);
    EXPECT_EQ(local.GetFindable(), 0);
    local.SetFindable(1);
    EXPECT_EQ(sim::Radio::Instance().adapter().scanMask, 3);

    UseAdapter(R"({"faults": ["scan-write", "authentication-write"]})");
    local.SetFindable(0);
    EXPECT_EQ(local.GetFindable(), 1);
    EXPECT_EQ(log.Codes(), std::vector<int>{ERR_SCAN_WRITE});
    EXPECT_EQ(log.Reports()[0].context, L"CDeviceLocal::SetFindable");
    local.SetAuthenticate(1);
    EXPECT_EQ(local.GetAuthenticate(), 0);
    EXPECT_EQ(log.Reports().size(), 1u);  // refused authentication is silent
}

TEST(DeviceLocal, ActivationStopsTheServiceStartsTheStackAndIsIdempotent) {
    UseAdapter("{}");
    CDeviceLocal local;
    ASSERT_EQ(local.Activate(1), 1);
    auto adapter = sim::Radio::Instance().adapter();
    EXPECT_EQ(adapter.serviceStops, 1u);
    EXPECT_EQ(adapter.stackStarts, 1u);
    EXPECT_FALSE(adapter.serviceRunning);
    EXPECT_EQ(local.Activate(1), 1);
    EXPECT_EQ(sim::Radio::Instance().adapter().stackStarts, 1u);
    EXPECT_EQ(local.Activate(0), 1);
    EXPECT_EQ(local.GetActivated(), 0);
    EXPECT_TRUE(sim::Radio::Instance().adapter().serviceRunning);
    EXPECT_EQ(local.Activate(0), 1);
    EXPECT_EQ(sim::Radio::Instance().adapter().serviceStarts, 1u);
}

struct ActivationCase {
    const char* name;
    const char* adapter;
    int result;
    std::vector<int> codes;
};

void PrintTo(const ActivationCase& c, std::ostream* os) { *os << c.name; }

class DeviceLocalActivation : public ::testing::TestWithParam<ActivationCase> {};

TEST_P(DeviceLocalActivation, ReportsEachFailureOfTheStack) {
    UseAdapter(GetParam().adapter);
    CDeviceLocal local;
    auto& log = ErrorLog::Attach();
    EXPECT_EQ(local.Activate(1), GetParam().result);
    EXPECT_EQ(local.GetActivated(), GetParam().result);
    local.Activate(0);
    EXPECT_EQ(log.Codes(), GetParam().codes);
    for (auto& report : log.Reports()) EXPECT_EQ(report.context, L"CDeviceLocal::Activate");
}

INSTANTIATE_TEST_SUITE_P(
    Failures, DeviceLocalActivation,
    ::testing::Values(
        ActivationCase{"NoStack", R"({"stack": false})", 0, {ERR_STACK_ACCESS}},
        ActivationCase{"StackRefusesStart", R"({"faults": ["stack-start"]})", 0, {ERR_NO_HARDWARE}},
        ActivationCase{"ServiceRefusesStop", R"({"faults": ["bts-stop"]})", 1, {ERR_BTS_STOP}},
        ActivationCase{"ServiceRefusesRestart", R"({"faults": ["bts-start"]})", 1, {ERR_BTS_RESTART}},
        ActivationCase{"NoServiceIsAbsent", R"({"service": false})", 1, {}},
        ActivationCase{"HardwareReadyOnSecondRead", R"({"hardware": "not-present", "ready_after_reads": 2})", 1, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The hardware wait reads the status once, then up to ten times more a second apart: these
// take real seconds.
TEST(DeviceLocalSlow, HardwareThatStaysShutDownFailsAfterTenSecondsAndElevenReads) {
    UseAdapter(R"({"hardware": "shutdown"})");
    CDeviceLocal local;
    auto& log = ErrorLog::Attach();
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(local.Activate(1), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(9900));
    EXPECT_EQ(sim::Radio::Instance().adapter().hardwareReads, 11u);
    EXPECT_EQ(log.Codes(), std::vector<int>{ERR_HARDWARE_SHUTDOWN});
    EXPECT_EQ(local.GetActivated(), 0);
}

TEST(DeviceLocalSlow, HardwareReadyOnTheLastPermittedReadActivates) {
    UseAdapter(R"({"hardware": "not-present", "ready_after_reads": 11})");
    CDeviceLocal local;
    EXPECT_EQ(local.Activate(1), 1);
    EXPECT_EQ(sim::Radio::Instance().adapter().hardwareReads, 11u);
}

TEST(DeviceLocalSlow, OtherStatesAndFailedReadsHaveTheirOwnReports) {
    for (auto [adapter, code] : {std::pair{R"({"hardware": "not-present"})", ERR_HARDWARE_NOT_PRESENT},
                                 std::pair{R"({"hardware": "initializing"})", ERR_HARDWARE_STATUS},
                                 std::pair{R"({"faults": ["hardware-read"]})", static_cast<int>(ERROR_NOT_READY)}}) {
        UseAdapter(adapter);
        CDeviceLocal local;
        auto& log = ErrorLog::Attach();
        size_t before = log.Reports().size();
        EXPECT_EQ(local.Activate(1), 0);
        ASSERT_EQ(log.Reports().size(), before + 1);
        EXPECT_EQ(log.Reports().back().code, code == static_cast<int>(ERROR_NOT_READY) ? 0 : code);
    }
}

}  // namespace
