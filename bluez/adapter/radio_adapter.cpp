// The local adapter and what the cache tells of remote devices.
#include <gio/gio.h>

#include "bluez/bluez_radio.h"
#include "platform/bluetooth/bt_driver.h"

namespace bluez {
namespace {

constexpr std::uint8_t kInquiryScan = 0x01;
constexpr std::uint8_t kPageScan = 0x02;

}  // namespace

bool BlueZRadio::HasStack() { return true; }
bool BlueZRadio::HasStackService() { return true; }

// Power is the user's switch (WritePower): starting the stack takes the adapter as it is, and
// the engine then reads its hardware status.
DWORD BlueZRadio::StartStack() { return AdapterPath().empty() ? ERROR_DEV_NOT_EXIST : ERROR_SUCCESS; }

// bluetoothd stays up while we use it: there is no service of its to stop or start.
DWORD BlueZRadio::ControlStackService(bool) { return ERROR_SUCCESS; }

DWORD BlueZRadio::ReadScanMask(std::uint8_t* mask) {
    const auto adapter = connection_.cache().Adapter();
    if (!adapter) return ERROR_DEV_NOT_EXIST;
    *mask = static_cast<std::uint8_t>((adapter->discoverable ? kInquiryScan : 0) | (adapter->connectable ? kPageScan : 0));
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::WriteScanMask(std::uint8_t mask) {
    const std::string path = AdapterPath();
    if (path.empty()) return ERROR_DEV_NOT_EXIST;
    const bool findable = (mask & kInquiryScan) != 0;
    if (findable) {
        // Findable until switched off, as the scan mask is: no time-out of bluetoothd's own.
        const CallResult timeout = connection_.SetProperty(path, kAdapterInterface, "DiscoverableTimeout",
                                                           [] { return g_variant_new_uint32(0); });
        if (!timeout.ok) std::fprintf(stderr, "nimbrel: %s\n", timeout.Describe().c_str());
    }
    const CallResult result = connection_.SetProperty(path, kAdapterInterface, "Discoverable",
                                                      [findable] { return g_variant_new_boolean(findable); });
    if (!result.ok) {
        std::fprintf(stderr, "nimbrel: making the adapter %s failed: %s\n", findable ? "findable" : "hidden",
                     result.Describe().c_str());
        return result.timedOut ? ERROR_TIMEOUT : ERROR_GEN_FAILURE;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    connection_.cache().WaitUntil(deadline, [findable](const CacheState& state) {
        const AdapterInfo* now = state.FirstAdapter();
        return !now || now->discoverable == findable;
    });
    return ERROR_SUCCESS;
}

// bluetoothd has no such switch: kept here, for the engine to read back.
DWORD BlueZRadio::ReadAuthentication(std::uint8_t* enabled) {
    *enabled = authentication_;
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::WriteAuthentication(std::uint8_t enabled) {
    authentication_ = enabled;
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::ReadLocalClass(std::uint32_t* classOfDevice) {
    const auto adapter = connection_.cache().Adapter();
    if (!adapter) return ERROR_DEV_NOT_EXIST;
    *classOfDevice = adapter->classOfDevice;
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::ReadLocalAddress(BT_ADDR* address) {
    const auto adapter = connection_.cache().Adapter();
    if (!adapter) return ERROR_DEV_NOT_EXIST;
    *address = adapter->address;
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::ReadHardwareStatus(std::uint32_t* status) {
    const auto adapter = connection_.cache().Adapter();
    *status = !adapter ? HCI_HARDWARE_NOT_PRESENT : adapter->powered ? HCI_HARDWARE_RUNNING : HCI_HARDWARE_SHUTDOWN;
    return ERROR_SUCCESS;
}

// From the cache only: the engine polls every device's links every few seconds.
DWORD BlueZRadio::ReadBasebandLinks(std::vector<bth::BasebandLink>* links) {
    links->clear();
    std::lock_guard lock(linksMutex_);
    std::map<BT_ADDR, std::uint16_t> still;
    for (const DeviceInfo& device : connection_.cache().Devices()) {
        if (!device.connected) continue;
        auto known = linkHandles_.find(device.address);
        const std::uint16_t handle = known != linkHandles_.end() ? known->second : ++lastLinkHandle_;
        still[device.address] = handle;
        bth::BasebandLink link;
        link.handle = handle;
        link.address = device.address;
        link.acl = true;
        link.authenticated = device.paired;
        links->push_back(link);
    }
    linkHandles_.swap(still);
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::RemoteName(BT_ADDR address, std::wstring* name) {
    const auto device = connection_.cache().Device(address);
    if (!device || !device->name) return ERROR_TIMEOUT;  // as a device that does not answer
    *name = *device->name;
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::RemoteClass(BT_ADDR address, std::uint32_t* classOfDevice) {
    const auto device = connection_.cache().Device(address);
    if (!device) return ERROR_TIMEOUT;
    *classOfDevice = device->classOfDevice;
    return ERROR_SUCCESS;
}

bool BlueZRadio::IsPortReserved(DWORD) { return false; }

// The OBEX servers behind the service register their own profiles (ListenObex).
bool BlueZRadio::HasObexService() { return true; }
DWORD BlueZRadio::ControlObexService(bool) { return ERROR_SUCCESS; }
// The OBEX clients run over our own serial links.
bool BlueZRadio::HasObexComponent() { return true; }

}  // namespace bluez
