// The stack's security key and incoming PIN requests.
#include <gtest/gtest.h>

#include <string>
#include <thread>
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
    char data[32] = {};  // room for a 16-byte PIN or link key
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

sim::Radio& Radio() { return sim::Radio::Instance(); }
DWORD Pop(BT_ADDR* address) { return sim::Radio::Instance().NextPinRequest(address); }
const bth::Pin kPin0000 = {'0', '0', '0', '0'};

TEST(RadioSecurity, PairingStoresPinAndLinkKeyOnlyWhenTheDeviceTakesThePin) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"devices": [
        {"address": "00:00:00:00:00:01", "pin": "1234"}, {"address": "00:00:00:00:00:02", "pairing": "any"},
        {"address": "00:00:00:00:00:03", "pairing": "refuse"}, {"address": "00:00:00:00:00:04", "in_range": false},
        {"address": "00:00:00:00:00:05", "paired_pin": "77"}]})"));
    EXPECT_EQ(Radio().PairRequest(1, kPin0000), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Radio().PairRequest(1, {'1', '2', '3'}), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Radio().PairRequest(3, kPin0000), ERROR_NOT_AUTHENTICATED);
    EXPECT_EQ(Radio().PairRequest(4, kPin0000), ERROR_TIMEOUT);  // the default PIN, but out of range
    for (const wchar_t* name : {L"pin000000000001", L"key000000000001", L"pin000000000003", L"pin000000000004"})
        EXPECT_EQ(SecurityValue(name), "absent") << name;

    ASSERT_EQ(Radio().PairRequest(1, {'1', '2', '3', '4'}), 0u);
    ASSERT_EQ(Radio().PairRequest(2, {'9'}), 0u);
    EXPECT_EQ(SecurityValue(L"pin000000000001"), "1234");
    EXPECT_EQ(SecurityValue(L"pin000000000002"), "9");
    const std::string key = SecurityValue(L"key000000000001");
    EXPECT_EQ(key.size(), 16u);
    EXPECT_NE(key, SecurityValue(L"key000000000002"));  // made from address and PIN
    EXPECT_EQ(SecurityValue(L"key000000000005").size(), 16u);  // the world's pairings have one too

    // Forgetting: each value once, the link key after the PIN as an unpairing does.
    EXPECT_EQ(Radio().RevokePin(5), 0u);
    EXPECT_EQ(Radio().RevokeLinkKey(5), 0u);
    EXPECT_EQ(Radio().RevokePin(5), ERROR_NOT_FOUND);
    EXPECT_EQ(Radio().RevokeLinkKey(5), ERROR_NOT_FOUND);
    EXPECT_EQ(Radio().RevokePin(1), 0u);
    EXPECT_EQ(SecurityValue(L"key000000000001"), key);

    // A new world takes back what pairings of the old one wrote.
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld("{}"));
    for (const wchar_t* name : {L"key000000000001", L"pin000000000002", L"key000000000002"})
        EXPECT_EQ(SecurityValue(name), "absent") << name;
}

TEST(RadioSecurity, AnswersAndRefusalsNeedAnOpenRequestAndCloseIt) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"devices": [{"address": "00:00:00:00:00:01"}]})"));
    EXPECT_EQ(Radio().AnswerPairRequest(1, kPin0000), ERROR_NOT_FOUND);
    EXPECT_EQ(Radio().RefusePinRequest(1), ERROR_NOT_FOUND);

    Radio().RaisePinRequest(1);
    BT_ADDR address = 0;
    ASSERT_EQ(Pop(&address), 0u);  // fetched by the handler, still open
    EXPECT_EQ(Radio().AnswerPairRequest(1, {'1'}), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Radio().AnswerPairRequest(1, kPin0000), ERROR_NOT_FOUND);  // the failed answer closed it

    // Refused before the handler fetched it: it is gone for the handler too.
    Radio().RaisePinRequest(1);
    EXPECT_EQ(Radio().RefusePinRequest(1), 0u);
    EXPECT_EQ(Pop(&address), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(Radio().RefusePinRequest(1), ERROR_NOT_FOUND);

    Radio().RaisePinRequest(1);
    EXPECT_EQ(Radio().AnswerPairRequest(1, kPin0000), 0u);
    EXPECT_EQ(SecurityValue(L"pin000000000001"), "0000");
}

TEST(RadioSecurity, ResetEndsAPairingInProgressWithoutWriting) {
    ASSERT_NO_FATAL_FAILURE(
        testsupport::UseWorld(R"({"timing": {"pair_ms": 600000}, "devices": [{"address": "00:00:00:00:00:01"}]})"));
    DWORD result = 0;
    std::thread pairing([&] { result = Radio().PairRequest(1, kPin0000); });
    ASSERT_TRUE(Radio().AwaitBlockedRequests(1, kGenerous));
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"devices": [{"address": "00:00:00:00:00:01"}]})"));
    pairing.join();
    EXPECT_EQ(result, ERROR_CANCELLED);
    EXPECT_EQ(SecurityValue(L"pin000000000001"), "absent");
}

struct Handler {
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ~Handler() { CloseHandle(event); }
};

DWORD Register(HANDLE event) { return sim::Radio::Instance().RegisterPinRequestEvent(event, 3000, 60000); }

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
