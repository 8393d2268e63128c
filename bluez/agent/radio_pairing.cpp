// Pairing through bluetoothd: ours with Device1.Pair and our agent giving the PIN, a remote
// device's through the agent's open requests, and unpairing with Adapter1.RemoveDevice.
#include <gio/gio.h>

#include <cstdio>

#include "bluez/agent/bond_mirror.h"
#include "bluez/bluez_radio.h"

namespace bluez {
namespace {

// Pairing pages the device and may wait for its user to type the PIN.
constexpr unsigned kPairTimeoutMs = 60000;
// After we gave a remote device's request its PIN, the bond shows within this time, or not.
constexpr auto kBondWait = std::chrono::seconds(10);

DWORD PairFailure(const CallResult& result) {
    const std::string& name = result.errorName;
    if (result.timedOut || name == "org.bluez.Error.AuthenticationTimeout" ||
        name == "org.bluez.Error.ConnectionAttemptFailed")
        return ERROR_TIMEOUT;
    if (name == "org.bluez.Error.AuthenticationFailed") return ERROR_ACCESS_DENIED;
    if (name == "org.bluez.Error.AuthenticationRejected") return ERROR_NOT_AUTHENTICATED;
    if (name == "org.bluez.Error.AuthenticationCanceled") return ERROR_CANCELLED;
    if (name == "org.bluez.Error.InProgress") return ERROR_BUSY;
    if (name == "org.bluez.Error.NotReady") return ERROR_NOT_READY;
    if (name == "org.bluez.Error.DoesNotExist" || name == "org.freedesktop.DBus.Error.UnknownObject")
        return ERROR_TIMEOUT;  // bluetoothd forgot the device: it is out of reach
    return ERROR_GEN_FAILURE;
}

}  // namespace

DWORD BlueZRadio::PairRequest(BT_ADDR address, const bth::Pin& pin) {
    const auto device = connection_.cache().Device(address);
    if (!device) return ERROR_TIMEOUT;  // bluetoothd never saw it: as a page time-out
    const std::string text(pin.begin(), pin.end());
    agent_.SetOutgoingPin(device->path, text);
    RememberPairingPin(address, text);
    CallSpec callSpec;
    callSpec.path = device->path;
    callSpec.interface = kDeviceInterface;
    callSpec.method = "Pair";
    callSpec.timeoutMs = kPairTimeoutMs;
    const CallResult result = connection_.Call(callSpec);
    agent_.ClearOutgoingPin(device->path);
    if (!result.ok && result.errorName != "org.bluez.Error.AlreadyExists") {
        std::fprintf(stderr, "nimbrel: pairing with %s failed: %s\n", BlueZAddress(address).c_str(),
                     result.Describe().c_str());
        return PairFailure(result);
    }
    // A device we paired with may connect again without asking.
    const CallResult trusted = connection_.SetProperty(device->path, kDeviceInterface, "Trusted",
                                                       [] { return g_variant_new_boolean(TRUE); });
    if (!trusted.ok) std::fprintf(stderr, "nimbrel: trusting %s failed: %s\n", BlueZAddress(address).c_str(),
                                  trusted.Describe().c_str());
    const auto deadline = std::chrono::steady_clock::now() + kBondWait;
    connection_.cache().WaitUntil(deadline, [address](const CacheState& state) {
        const DeviceInfo* now = state.FindDevice(address);
        return !now || now->paired;
    });
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::AnswerPairRequest(BT_ADDR address, const bth::Pin& pin) {
    const std::string text(pin.begin(), pin.end());
    RememberPairingPin(address, text);
    if (!agent_.Answer(address, text)) return ERROR_NOT_FOUND;
    const auto deadline = std::chrono::steady_clock::now() + kBondWait;
    const bool bonded = connection_.cache().WaitUntil(deadline, [address](const CacheState& state) {
        const DeviceInfo* now = state.FindDevice(address);
        return now && now->paired;
    });
    return bonded ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

DWORD BlueZRadio::RefusePinRequest(BT_ADDR address) {
    return agent_.Refuse(address) ? ERROR_SUCCESS : ERROR_NOT_FOUND;
}

// bluetoothd keeps one bond per device: the PIN's revocation removes the device, and the
// link key's then has nothing left to do.
DWORD BlueZRadio::RevokePin(BT_ADDR address) {
    const auto device = connection_.cache().Device(address);
    if (!device || !device->paired) return ERROR_NOT_FOUND;
    const std::string adapter = AdapterPath();
    CallSpec callSpec;
    callSpec.path = adapter;
    callSpec.interface = kAdapterInterface;
    callSpec.method = "RemoveDevice";
    const std::string path = device->path;
    const CallResult result = connection_.Call(callSpec, [path] { return g_variant_new("(o)", path.c_str()); });
    if (!result.ok && result.errorName != "org.bluez.Error.DoesNotExist") {
        std::fprintf(stderr, "nimbrel: unpairing %s failed: %s\n", BlueZAddress(address).c_str(),
                     result.Describe().c_str());
        return result.timedOut ? ERROR_TIMEOUT : ERROR_GEN_FAILURE;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    connection_.cache().WaitUntil(deadline, [address](const CacheState& state) {
        const DeviceInfo* now = state.FindDevice(address);
        return !now || !now->paired;
    });
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::RevokeLinkKey(BT_ADDR address) {
    const auto device = connection_.cache().Device(address);
    return device && device->paired ? RevokePin(address) : ERROR_SUCCESS;
}

DWORD BlueZRadio::RegisterPinRequestEvent(HANDLE event, DWORD storeTimeoutMs, DWORD processTimeoutMs) {
    return agent_.RegisterHandler(event, storeTimeoutMs, processTimeoutMs);
}

DWORD BlueZRadio::UnregisterPinRequestEvent() {
    agent_.UnregisterHandler();
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::NextPinRequest(BT_ADDR* address) { return agent_.Next(address); }

DWORD BlueZRadio::ReadPinRequestKind(BT_ADDR address, bth::PinRequestKind* kind) {
    return agent_.Kind(address, kind) ? ERROR_SUCCESS : ERROR_NOT_FOUND;
}

}  // namespace bluez
