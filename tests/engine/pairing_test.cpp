// Pairing a remote device from either side, and undoing it, against the simulated radio.
#include <gtest/gtest.h>

#include "engine/device/device_local.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "error_log.h"
#include "notification_log.h"
#include "platform/bluetooth/bt_security_store.h"
#include "registry_probe.h"
#include "sim/radio.h"
#include "support/sim_world.h"

namespace {

using testsupport::ErrorLog;
using testsupport::NotificationLog;

constexpr BT_ADDR kPhone = 0x0012AB34CD56;
const std::wstring kBase = CRegistry::kBaseKey;

const char* kWorld = R"({"devices": [
    {"name": "My Phone", "address": "00:12:AB:34:CD:56", "class": "0x5A020C", "pin": "1234"},
    {"name": "Far", "address": "00:12:AB:34:CD:57", "in_range": false, "pin": "1234"}]})";

bool StackKeepsPin(BT_ADDR address) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, bth::kSecurityKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    const bool kept = RegQueryValueExW(key, bth::PinValueName(address).c_str(), nullptr, nullptr, nullptr, &size) ==
                      ERROR_SUCCESS;
    RegCloseKey(key);
    return kept;
}

bool PairedValuesWritten() {
    return testsupport::ReadString(kBase, PairedValueName(kPhone, L"_Paired").GetString()).has_value() &&
           testsupport::ReadDword(kBase, PairedValueName(kPhone, L"_Class").GetString()).has_value();
}

TEST(Pairing, TheRightPinPairsTwiceInARowAndUnpairingUndoesEverything) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    auto& log = NotificationLog::Attach();
    CDeviceDistant device(kPhone, L"", 0, 0);
    device.AskPairRequest(4, L"1234");
    EXPECT_EQ(device.IsPaired(), 1);
    // The pairing, then the class and name read because the class was unknown.
    EXPECT_EQ(log.Count(NOTIFY_PAIRING_CHANGED), 2u);
    EXPECT_EQ(device.GetClass(), 0x5A020Cu);
    EXPECT_EQ(testsupport::ReadString(kBase, PairedValueName(kPhone, L"_Paired").GetString())->first, L"My Phone");
    EXPECT_EQ(testsupport::ReadDword(kBase, PairedValueName(kPhone, L"_Class").GetString()), 0x5A020Cu);
    EXPECT_TRUE(StackKeepsPin(kPhone));

    device.AskPairRequest(4, L"1234");  // unpairs first, then pairs anew
    EXPECT_EQ(device.IsPaired(), 1);
    EXPECT_EQ(log.Count(NOTIFY_PAIRING_CHANGED), 4u);
    EXPECT_TRUE(PairedValuesWritten());

    device.Unpair();
    EXPECT_EQ(device.IsPaired(), 0);
    EXPECT_FALSE(PairedValuesWritten());
    EXPECT_FALSE(StackKeepsPin(kPhone));
    EXPECT_EQ(log.Count(NOTIFY_PAIRING_CHANGED), 5u);
    device.Unpair();  // nothing kept: nothing changes
    EXPECT_EQ(log.Count(NOTIFY_PAIRING_CHANGED), 5u);
}

TEST(Pairing, AFailedPairingWritesNothing) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    CDeviceDistant device(kPhone, L"My Phone", 0x5A020C, 0);
    CDeviceDistant far(kPhone + 1, L"Far", 0, 0);
    device.AskPairRequest(4, L"9999");
    device.AnswerPairRequest(0, L"");  // an empty PIN reaches no device
    device.AskPairRequest(0, L"1234");
    far.AskPairRequest(4, L"1234");
    EXPECT_EQ(device.IsPaired(), 0);
    EXPECT_EQ(far.IsPaired(), 0);
    EXPECT_FALSE(PairedValuesWritten());
    EXPECT_FALSE(StackKeepsPin(kPhone));
    EXPECT_EQ(log.Count(NOTIFY_PAIRING_CHANGED), 0u);
    EXPECT_TRUE(errors.Codes().empty());
}

TEST(Pairing, AnIncomingRequestIsAnsweredWithThePinOrRefused) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(kWorld));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    auto& log = NotificationLog::Attach();
    CDeviceLocal local;
    ASSERT_EQ(local.Activate(1), 1);
    sim::Radio::Instance().RaisePinRequest(kPhone);
    ASSERT_TRUE(log.WaitFor(NOTIFY_PIN_REQUEST));
    CDeviceDistant* device = local.getDeviceDistant(kPhone);
    ASSERT_NE(device, nullptr);
    device->AnswerPairRequest(4, L"1234");
    EXPECT_EQ(device->IsPaired(), 1);

    sim::Radio::Instance().RaisePinRequest(kPhone);
    ASSERT_TRUE(log.WaitFor(NOTIFY_PIN_REQUEST, 2));
    device->RefusePairRequest();
    EXPECT_TRUE(errors.Codes().empty());
    device->RefusePairRequest();  // none waits any more
    ASSERT_TRUE(errors.WaitFor(1));
    EXPECT_EQ(errors.Reports()[0].context, L"CDevice::RefusePairRequest");
    EXPECT_EQ(device->IsPaired(), 1) << "a refusal leaves the earlier pairing";
}

TEST(Pairing, APinIsTheUtf8OfItsCharactersAndOneOver16BytesIsReported) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"devices": [
        {"name": "Umlaut", "address": "00:12:AB:34:CD:56", "pin": "ü1234"},
        {"name": "Full", "address": "00:12:AB:34:CD:57", "pin": "üüüüüüüü"}]})"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    CDeviceDistant umlaut(kPhone, L"Umlaut", 0x5A020C, 0);
    umlaut.AskPairRequest(5, L"ü1234");  // five characters, six bytes
    EXPECT_EQ(umlaut.IsPaired(), 1);
    umlaut.AskPairRequest(3, L"ü1234");  // only what was typed: "ü12"
    EXPECT_EQ(umlaut.IsPaired(), 0);

    CDeviceDistant full(kPhone + 1, L"Full", 0x5A020C, 0);
    full.AskPairRequest(8, L"üüüüüüüü");  // sixteen bytes: the most the stack takes
    EXPECT_EQ(full.IsPaired(), 1);
    EXPECT_TRUE(errors.Codes().empty());
    full.AskPairRequest(9, L"üüüüüüüü1");
    EXPECT_EQ(full.IsPaired(), 0) << "the old pairing went first, as for any new one";
    full.AnswerPairRequest(9, L"üüüüüüüü1");
    ASSERT_EQ(errors.Codes(), (std::vector<int>{ERR_PIN_TOO_LONG, ERR_PIN_TOO_LONG}));
    EXPECT_EQ(errors.Reports()[0].message, L"The PIN is longer than 16 bytes.");
    EXPECT_EQ(errors.Reports()[0].context, L"CDeviceDistant::AskPairRequest");
    EXPECT_EQ(errors.Reports()[1].context, L"CDeviceDistant::AnswerPairRequest");
}

}  // namespace
