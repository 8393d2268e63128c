#include "bluez/bluez_radio.h"

#include <gio/gio.h>

#include "bluez/agent/bond_mirror.h"
#include "bluez/bluez_backend.h"
#include "platform/bluetooth/bt_device_name.h"

namespace bluez {
namespace {

constexpr unsigned kPowerTimeoutMs = 10000;

}  // namespace

BlueZRadio::BlueZRadio() {
    connection_.cache().OnDeviceChanged([](const DeviceInfo* before, const DeviceInfo* after) {
        MirrorBond(before, after);
    });
    connection_.OnAttached([this](GDBusConnection*) {
        MirrorAllBonds(connection_.cache().Devices());
        // The engine reads the local device's name where the handheld keeps it.
        if (const auto adapter = connection_.cache().Adapter()) bth::WriteLocalDeviceName(adapter->name, true);
    });
}

BlueZRadio::~BlueZRadio() {
    for (auto& lookup : lookups_.TakeAll()) lookup->ended = true;
    connection_.cache().Wake();
    agent_.Close();
    profiles_.Close();
    connection_.Close();
    // Replies still on their way run now, while everything they refer to exists.
    loop_.Stop();
}

bool BlueZRadio::Attach(unsigned timeoutMs, std::string* error) { return connection_.Open(timeoutMs, error); }

std::string BlueZRadio::AdapterPath() const {
    const auto adapter = const_cast<BlueZConnection&>(connection_).cache().Adapter();
    return adapter ? adapter->path : std::string();
}

std::string BlueZRadio::DevicePath(BT_ADDR address) const {
    const auto device = const_cast<BlueZConnection&>(connection_).cache().Device(address);
    return device ? device->path : std::string();
}

std::string BlueZRadio::Describe() {
    const std::string path = AdapterPath();
    if (path.empty()) return "bluez";
    return "bluez " + path.substr(path.rfind('/') + 1);
}

DWORD BlueZRadio::WritePower(bool on) {
    const std::string adapter = AdapterPath();
    if (adapter.empty()) return ERROR_DEV_NOT_EXIST;
    const CallResult result = connection_.SetProperty(
        adapter, kAdapterInterface, "Powered", [on] { return g_variant_new_boolean(on); }, kPowerTimeoutMs);
    if (result.ok) {
        // The property's change arrives as a signal: wait for it so that a read right after
        // this sees the new state.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        connection_.cache().WaitUntil(deadline, [on](const CacheState& state) {
            const AdapterInfo* now = state.FirstAdapter();
            return !now || now->powered == on;
        });
        return ERROR_SUCCESS;
    }
    std::fprintf(stderr, "nimbrel: switching the adapter %s failed: %s\n", on ? "on" : "off", result.Describe().c_str());
    if (result.timedOut) return ERROR_TIMEOUT;
    if (result.errorName == "org.bluez.Error.Blocked" || result.errorName == "org.bluez.Error.NotPermitted" ||
        result.errorName == "org.freedesktop.DBus.Error.AccessDenied")
        return ERROR_ACCESS_DENIED;
    return ERROR_GEN_FAILURE;
}

// Only looks: no agent or profile of ours is registered with bluetoothd for it.
bool BlueZAvailable(unsigned timeoutMs, std::string* reason) {
    BusLoop loop;
    BlueZConnection connection(loop);
    std::string error;
    const bool attached = connection.Open(timeoutMs, &error);
    if (!attached && reason) *reason = error;
    connection.Close();
    loop.Stop();
    return attached;
}

bool InstallBlueZ(unsigned timeoutMs, std::string* error) {
    auto radio = std::make_shared<BlueZRadio>();
    if (!radio->Attach(timeoutMs, error)) return false;
    bth::InstallBackend(radio);
    return true;
}

}  // namespace bluez
