#include "bluez/dbus/object_cache.h"

#include <gio/gio.h>

#include <algorithm>
#include <cctype>

#include "platform/bluetooth/bt_address.h"
#include "platform/bluetooth/bt_device_name.h"
#include "platform/text/utf.h"

namespace bluez {
namespace {

// Bounds on what a peer's name or service list may make us keep.
constexpr std::size_t kMaxNameInput = 1024;  // read no more of a name than this
constexpr std::size_t kMaxUuids = 64;

// A name as a Bluetooth name can be: at most 248 bytes of UTF-8, never cut inside a character.
std::wstring NameText(const char* utf8) {
    std::string_view text(utf8);
    if (text.size() > kMaxNameInput) text = text.substr(0, kMaxNameInput);
    return bth::CutDeviceName(platform::WideFromUtf8(text));
}

std::string Lower(std::string text) {
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Calls `apply(name, value)` for each entry of an a{sv}.
template <typename Apply>
void ForEachProperty(GVariant* properties, Apply apply) {
    if (!properties || !g_variant_is_of_type(properties, G_VARIANT_TYPE("a{sv}"))) return;
    GVariantIter iter;
    g_variant_iter_init(&iter, properties);
    const gchar* name = nullptr;
    GVariant* value = nullptr;
    while (g_variant_iter_next(&iter, "{&sv}", &name, &value)) {
        apply(std::string_view(name), value);
        g_variant_unref(value);
    }
}

bool ReadBool(GVariant* value, bool* out) {
    if (!g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN)) return false;
    *out = g_variant_get_boolean(value) != FALSE;
    return true;
}

bool ReadUint32(GVariant* value, std::uint32_t* out) {
    if (!g_variant_is_of_type(value, G_VARIANT_TYPE_UINT32)) return false;
    *out = g_variant_get_uint32(value);
    return true;
}

const char* ReadString(GVariant* value) {
    if (g_variant_is_of_type(value, G_VARIANT_TYPE_STRING) || g_variant_is_of_type(value, G_VARIANT_TYPE_OBJECT_PATH))
        return g_variant_get_string(value, nullptr);
    return nullptr;
}

BT_ADDR ReadAddress(GVariant* value) {
    BT_ADDR address = 0;
    const char* text = ReadString(value);
    return text && bth::ParseAddress(std::string_view(text), &address) ? address : 0;
}

}  // namespace

std::string BlueZAddress(BT_ADDR address) {
    std::string text = bth::FormatAddress(address);
    std::ranges::transform(text, text.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Not a change of any device: bluetoothd going says nothing of its bonds, and the listener
// hears of each device again when its objects are loaded anew.
void ObjectCache::Reset() {
    {
        std::lock_guard lock(mutex_);
        state_.devices.clear();
        state_.adapters.clear();
    }
    changed_.notify_all();
}

void ObjectCache::Load(GVariant* managedObjects) {
    Reset();
    if (!managedObjects || !g_variant_is_of_type(managedObjects, G_VARIANT_TYPE("(a{oa{sa{sv}}})"))) return;
    GVariant* objects = g_variant_get_child_value(managedObjects, 0);
    GVariantIter iter;
    g_variant_iter_init(&iter, objects);
    const gchar* path = nullptr;
    GVariant* interfaces = nullptr;
    while (g_variant_iter_next(&iter, "{&o@a{sa{sv}}}", &path, &interfaces)) {
        AddInterfaces(path, interfaces);
        g_variant_unref(interfaces);
    }
    g_variant_unref(objects);
}

void ObjectCache::AddInterfaces(const std::string& path, GVariant* interfaces) {
    if (!interfaces || !g_variant_is_of_type(interfaces, G_VARIANT_TYPE("a{sa{sv}}"))) return;
    GVariantIter iter;
    g_variant_iter_init(&iter, interfaces);
    const gchar* name = nullptr;
    GVariant* properties = nullptr;
    while (g_variant_iter_next(&iter, "{&s@a{sv}}", &name, &properties)) {
        const std::string_view interface(name);
        if (interface == kAdapterInterface) {
            ApplyAdapter(path, properties);
        } else if (interface == kDeviceInterface) {
            std::optional<DeviceInfo> before;
            std::optional<DeviceInfo> after;
            {
                std::lock_guard lock(mutex_);
                before = ApplyDevice(path, properties, true);
                after = state_.devices.at(path);
            }
            changed_.notify_all();
            if (after->address) Notify(before, &*after);
        }
        g_variant_unref(properties);
    }
}

void ObjectCache::RemoveInterfaces(const std::string& path, const std::vector<std::string>& interfaces) {
    std::optional<DeviceInfo> gone;
    {
        std::lock_guard lock(mutex_);
        for (const std::string& interface : interfaces) {
            if (interface == kAdapterInterface) state_.adapters.erase(path);
            if (interface == kDeviceInterface) {
                if (auto it = state_.devices.find(path); it != state_.devices.end()) {
                    gone = it->second;
                    state_.devices.erase(it);
                }
            }
        }
    }
    changed_.notify_all();
    if (gone) Notify(gone, nullptr);
}

void ObjectCache::ChangeProperties(const std::string& path, const std::string& interface, GVariant* changed,
                                   const std::vector<std::string>& invalidated) {
    if (interface == kAdapterInterface) {
        ApplyAdapter(path, changed);
        return;
    }
    if (interface != kDeviceInterface) return;
    std::optional<DeviceInfo> before;
    std::optional<DeviceInfo> after;
    {
        std::lock_guard lock(mutex_);
        if (!state_.devices.count(path)) return;  // only devices announced by InterfacesAdded
        before = ApplyDevice(path, changed, false);
        DeviceInfo& device = state_.devices.at(path);
        for (const std::string& name : invalidated) {
            if (name == "Name") device.name.reset();
            if (name == "UUIDs") device.uuids.clear();
        }
        after = device;
    }
    changed_.notify_all();
    Notify(before, &*after);
}

void ObjectCache::OnDeviceChanged(std::function<void(const DeviceInfo*, const DeviceInfo*)> listener) {
    listener_ = std::move(listener);
}

void ObjectCache::ApplyAdapter(const std::string& path, GVariant* properties) {
    {
        std::lock_guard lock(mutex_);
        AdapterInfo& adapter = state_.adapters[path];
        adapter.path = path;
        std::wstring name;
        bool hasAlias = !adapter.name.empty();
        ForEachProperty(properties, [&](std::string_view key, GVariant* value) {
            if (key == "Address") adapter.address = ReadAddress(value);
            else if (key == "Alias" && ReadString(value)) {
                adapter.name = NameText(ReadString(value));
                hasAlias = true;
            } else if (key == "Name" && ReadString(value)) name = NameText(ReadString(value));
            else if (key == "Class") ReadUint32(value, &adapter.classOfDevice);
            else if (key == "Powered") ReadBool(value, &adapter.powered);
            else if (key == "Discoverable") ReadBool(value, &adapter.discoverable);
            else if (key == "Connectable") ReadBool(value, &adapter.connectable);
            else if (key == "Discovering") ReadBool(value, &adapter.discovering);
            else if (key == "DiscoverableTimeout") ReadUint32(value, &adapter.discoverableTimeout);
        });
        if (!hasAlias && !name.empty()) adapter.name = name;
    }
    changed_.notify_all();
}

std::optional<DeviceInfo> ObjectCache::ApplyDevice(const std::string& path, GVariant* properties, bool added) {
    std::optional<DeviceInfo> before;
    if (auto it = state_.devices.find(path); it != state_.devices.end()) before = it->second;
    DeviceInfo& device = state_.devices[path];
    device.path = path;
    bool sighted = added;
    ForEachProperty(properties, [&](std::string_view key, GVariant* value) {
        if (key == "Address") device.address = ReadAddress(value);
        else if (key == "Adapter" && ReadString(value)) device.adapter = ReadString(value);
        else if (key == "Name" && ReadString(value)) {
            device.name = NameText(ReadString(value));
            sighted = true;
        } else if (key == "Class") ReadUint32(value, &device.classOfDevice);
        else if (key == "Paired") ReadBool(value, &device.paired);
        else if (key == "Trusted") ReadBool(value, &device.trusted);
        else if (key == "Connected") ReadBool(value, &device.connected);
        else if (key == "ServicesResolved") ReadBool(value, &device.servicesResolved);
        else if (key == "RSSI") sighted = true;
        else if (key == "UUIDs" && g_variant_is_of_type(value, G_VARIANT_TYPE_STRING_ARRAY)) {
            device.uuids.clear();
            GVariantIter iter;
            g_variant_iter_init(&iter, value);
            const gchar* uuid = nullptr;
            while (g_variant_iter_next(&iter, "&s", &uuid) && device.uuids.size() < kMaxUuids)
                device.uuids.push_back(Lower(uuid));
        }
    });
    if (sighted) device.lastSighting = ++state_.sightings;
    return before;
}

void ObjectCache::Notify(const std::optional<DeviceInfo>& before, const DeviceInfo* after) {
    if (listener_) listener_(before ? &*before : nullptr, after);
}

const AdapterInfo* CacheState::FirstAdapter() const {
    for (const auto& [path, adapter] : adapters)
        if (adapter.address) return &adapter;
    return nullptr;
}

const DeviceInfo* CacheState::FindDevice(BT_ADDR address) const {
    // Devices of the adapter in use only: a second adapter's view of the same device is not ours.
    const AdapterInfo* adapter = FirstAdapter();
    for (const auto& [path, device] : devices)
        if (device.address == address && (!adapter || device.adapter.empty() || device.adapter == adapter->path))
            return &device;
    return nullptr;
}

std::optional<AdapterInfo> ObjectCache::Adapter() const {
    std::lock_guard lock(mutex_);
    const AdapterInfo* adapter = state_.FirstAdapter();
    return adapter ? std::optional(*adapter) : std::nullopt;
}

std::optional<DeviceInfo> ObjectCache::Device(BT_ADDR address) const {
    std::lock_guard lock(mutex_);
    const DeviceInfo* device = state_.FindDevice(address);
    return device ? std::optional(*device) : std::nullopt;
}

std::vector<DeviceInfo> ObjectCache::Devices() const {
    std::lock_guard lock(mutex_);
    std::vector<DeviceInfo> devices;
    for (const auto& [path, device] : state_.devices)
        if (device.address) devices.push_back(device);
    return devices;
}

std::uint64_t ObjectCache::NextSighting() const {
    std::lock_guard lock(mutex_);
    return state_.sightings + 1;
}

bool ObjectCache::WaitUntil(std::chrono::steady_clock::time_point deadline,
                            const std::function<bool(const CacheState&)>& done) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_until(lock, deadline, [&] { return done(state_); });
}

void ObjectCache::Wake() const {
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
}

}  // namespace bluez
