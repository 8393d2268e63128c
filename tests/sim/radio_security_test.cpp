// The stack's security key and incoming PIN requests.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/bluetooth/bt_security_store.h"
#include "platform/kernel/kernel.h"
#include "platform/registry/registry.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

constexpr DWORD kGenerous = 10000;

// The value's bytes, or "absent".
std::string SecurityValue(const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, bth::kSecurityKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "absent";
    char data[32] = {};
    DWORD size = sizeof data, type = 0;
    LONG result = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS) return "absent";
    EXPECT_EQ(type, REG_BINARY);
    return std::string(data, size);
}

TEST(RadioSecurity, PairedDevicesAreInTheSecurityKeyAndReplacedOnReset) {
    EXPECT_EQ(bth::PinValueName(0x0012AB34CD56), L"pin0012ab34cd56");
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"devices": [
        {"address": "00:12:AB:34:CD:56", "paired_pin": "1234"}, {"address": "00:00:00:00:00:02"},
        {"address": "00:0E:9F:11:22:33", "paired_pin": "0000abcd"}]})"));
    EXPECT_EQ(SecurityValue(L"pin0012ab34cd56"), "1234");
    EXPECT_EQ(SecurityValue(L"pin000e9f112233"), "0000abcd");
    EXPECT_EQ(SecurityValue(L"pin000000000002"), "absent");

    // A value the world did not write stays through Resets.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, bth::kSecurityKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    const BYTE own[] = {'9', '9'};
    ASSERT_EQ(RegSetValueExW(key, L"pin000000000007", 0, REG_BINARY, own, sizeof own), ERROR_SUCCESS);
    RegCloseKey(key);

    ASSERT_NO_FATAL_FAILURE(
        testsupport::UseWorld(R"({"devices": [{"address": "00:0E:9F:11:22:33", "paired_pin": "42"}]})"));
    EXPECT_EQ(SecurityValue(L"pin0012ab34cd56"), "absent");
    EXPECT_EQ(SecurityValue(L"pin000e9f112233"), "42");
    EXPECT_EQ(SecurityValue(L"pin000000000007"), "99");
}

struct Handler {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ~Handler() { CloseHandle(event); }
};

DWORD Register(HANDLE event) { return sim::Radio::Instance().RegisterPinRequestEvent(event, 3000, 60000); }
DWORD Pop(BT_ADDR* address) { return sim::Radio::Instance().NextPinRequest(address); }

TEST(RadioSecurity, OnlyOneHandlerHoldsThePinRequests) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"adapter": {"pin_requests_claimed": true}})"));
    Handler handler;
    EXPECT_EQ(Register(handler.event), ERROR_ALREADY_ASSIGNED);

    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    EXPECT_EQ(Register(handler.event), 0u);
    EXPECT_EQ(Register(handler.event), ERROR_ALREADY_ASSIGNED);
    EXPECT_EQ(sim::Radio::Instance().UnregisterPinRequestEvent(), 0u);
    EXPECT_EQ(Register(handler.event), 0u);
}

TEST(RadioSecurity, WaitingRequestsSignalTheHandlerAndComeOutOldestFirst) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    BT_ADDR address = 0;
    EXPECT_EQ(Pop(&address), ERROR_NO_MORE_ITEMS);
    sim::Radio::Instance().RaisePinRequest(0xA1);  // before any handler: kept, nobody to tell
    sim::Radio::Instance().RaisePinRequest(0xB2);
    Handler handler;
    ASSERT_EQ(Register(handler.event), 0u);
    EXPECT_EQ(WaitForSingleObject(handler.event, kGenerous), WAIT_OBJECT_0);  // registering tells it
    ASSERT_EQ(Pop(&address), 0u);
    EXPECT_EQ(address, 0xA1u);
    EXPECT_EQ(WaitForSingleObject(handler.event, kGenerous), WAIT_OBJECT_0);  // one still waits
    ASSERT_EQ(Pop(&address), 0u);
    EXPECT_EQ(address, 0xB2u);
    EXPECT_EQ(Pop(&address), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(WaitForSingleObject(handler.event, 0), WAIT_TIMEOUT);

    sim::Radio::Instance().RaisePinRequest(0xC3);
    EXPECT_EQ(WaitForSingleObject(handler.event, kGenerous), WAIT_OBJECT_0);
    ASSERT_EQ(Pop(&address), 0u);
    EXPECT_EQ(address, 0xC3u);
}

TEST(RadioSecurity, TimelineRequestsArriveAfterTheStackStartsInTimeOrder) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"events": [
        {"at_ms": 30, "type": "pair-request", "device": "00:00:00:00:00:02"},
        {"at_ms": 0, "type": "pair-request", "device": "00:00:00:00:00:01"}]})"));
    Handler handler;
    ASSERT_EQ(Register(handler.event), 0u);
    BT_ADDR address = 0;
    EXPECT_EQ(WaitForSingleObject(handler.event, 0), WAIT_TIMEOUT);  // nothing before the start
    EXPECT_EQ(Pop(&address), ERROR_NO_MORE_ITEMS);
    ASSERT_EQ(sim::Radio::Instance().StartStack(), 0u);
    for (BT_ADDR expected : {BT_ADDR{1}, BT_ADDR{2}}) {
        ASSERT_EQ(WaitForSingleObject(handler.event, kGenerous), WAIT_OBJECT_0);
        ASSERT_EQ(Pop(&address), 0u);
        EXPECT_EQ(address, expected);
    }
}

TEST(RadioSecurity, ResetStopsTheTimelineAtOnce) {
    const std::string distant =
        R"({"events": [{"at_ms": 86400000, "type": "pair-request", "device": "00:00:00:00:00:01"}]})";
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(distant));
    ASSERT_EQ(sim::Radio::Instance().StartStack(), 0u);
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));  // joins the timeline thread; would hang if it slept
    BT_ADDR address = 0;
    EXPECT_EQ(Pop(&address), ERROR_NO_MORE_ITEMS);
}

}  // namespace
