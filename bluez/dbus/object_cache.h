#pragma once
// What bluetoothd publishes, as plain values: the adapter and the devices under it, kept up to
// date on the loop's thread from GetManagedObjects, InterfacesAdded/Removed and
// PropertiesChanged. Any thread reads it; readers may wait for a change.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/types.h"

typedef struct _GVariant GVariant;

namespace bluez {

inline constexpr const char* kAdapterInterface = "org.bluez.Adapter1";
inline constexpr const char* kDeviceInterface = "org.bluez.Device1";

struct AdapterInfo {
    std::string path;  // "/org/bluez/hci0"
    BT_ADDR address = 0;
    std::wstring name;  // the alias, else the name
    std::uint32_t classOfDevice = 0;
    bool powered = false;
    bool discoverable = false;
    bool connectable = true;  // older bluetoothd has no such property: always connectable
    bool discovering = false;
    std::uint32_t discoverableTimeout = 0;
};

struct DeviceInfo {
    std::string path;
    std::string adapter;
    BT_ADDR address = 0;
    std::optional<std::wstring> name;  // the name the device gave, when it gave one
    std::uint32_t classOfDevice = 0;
    bool paired = false;
    bool trusted = false;
    bool connected = false;
    bool servicesResolved = false;
    std::vector<std::string> uuids;  // lower case, 128-bit form
    // Counts this device's sightings (its object appearing, a new RSSI or name): a discovery
    // reports the devices sighted since it began.
    std::uint64_t lastSighting = 0;
};

// Everything known at one moment.
struct CacheState {
    std::map<std::string, AdapterInfo> adapters;  // by object path
    std::map<std::string, DeviceInfo> devices;
    std::uint64_t sightings = 0;

    // The first adapter that has told its address: bluetoothd names them hci0, hci1, ...
    const AdapterInfo* FirstAdapter() const;
    const DeviceInfo* FindDevice(BT_ADDR address) const;
};

class ObjectCache {
public:
    // On the loop's thread.
    void Reset();  // bluetoothd went: nothing is known (the device listener is not called)
    void Load(GVariant* managedObjects);  // a{oa{sa{sv}}}
    void AddInterfaces(const std::string& path, GVariant* interfaces);  // a{sa{sv}}
    void RemoveInterfaces(const std::string& path, const std::vector<std::string>& interfaces);
    void ChangeProperties(const std::string& path, const std::string& interface, GVariant* changed,
                          const std::vector<std::string>& invalidated);
    // Called, on the loop's thread and with no lock held, after each device change: the
    // device as it was (null when new) and as it is (null when gone).
    void OnDeviceChanged(std::function<void(const DeviceInfo* before, const DeviceInfo* after)> listener);

    // On any thread.
    std::optional<AdapterInfo> Adapter() const;
    std::optional<DeviceInfo> Device(BT_ADDR address) const;
    std::vector<DeviceInfo> Devices() const;
    // The counter the next sighting gets; sightings before a discovery began are below it.
    std::uint64_t NextSighting() const;
    // Waits until `done` holds (checked under the cache's lock at every change and wake-up;
    // it must not call the cache) or the deadline passes; true when it holds.
    bool WaitUntil(std::chrono::steady_clock::time_point deadline,
                   const std::function<bool(const CacheState&)>& done) const;
    // Wakes every waiter to look again (a discovery ended by its caller, say).
    void Wake() const;

private:
    void ApplyAdapter(const std::string& path, GVariant* properties);
    // With the lock held: returns the device as it was before.
    std::optional<DeviceInfo> ApplyDevice(const std::string& path, GVariant* properties, bool added);
    void Notify(const std::optional<DeviceInfo>& before, const DeviceInfo* after);

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    CacheState state_;
    std::function<void(const DeviceInfo*, const DeviceInfo*)> listener_;
};

// An address as bluetoothd writes it: "AA:BB:CC:DD:EE:FF".
std::string BlueZAddress(BT_ADDR address);

}  // namespace bluez
