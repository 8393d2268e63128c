// The local device's shortcuts: loaded from the registry once at construction, answered from
// memory afterwards. The registry layout is in engine/service/shortcut_keys.h.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/device/device_local.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/service/service_distant.h"
#include "engine/service/shortcut_keys.h"
#include "platform/registry/registry_key.h"
#include "platform/registry/registry_unicode.h"

namespace {

using platform::registry::RegKey;
using platform::registry::RegValue;

constexpr const wchar_t* kContextLoad = L"CDeviceLocal::loadShortcutsFromRegistry";
// No device announces or user types a longer name; a bigger value is not a name.
constexpr std::size_t kMaxNameBytes = 65536;
// How much of a key name a report quotes.
constexpr std::size_t kQuotedCharacters = 80;

// Reads the values of one entry (a device or a service key) as the writer stores them. The
// first value that is there but unusable, or required but missing, makes the entry faulty;
// values read after that are left alone.
class EntryReader {
public:
    explicit EntryReader(const RegKey& key) : key_(key) {}

    // A number kept as exactly `size` bytes under one of `types`; a missing optional one
    // leaves *out as it was.
    void Number(const wchar_t* name, std::initializer_list<DWORD> types, void* out, std::size_t size, bool required) {
        RegValue value;
        if (!Fetch(name, required, &value)) return;
        if (std::find(types.begin(), types.end(), value.type) == types.end() || value.data.size() != size) {
            fault_ = std::wstring(name) + L" is not a number of " + std::to_wstring(size) + L" bytes";
            return;
        }
        std::memcpy(out, value.data.data(), size);
    }

    // A string of any sensible length; a missing one leaves *out as it was.
    void Text(const wchar_t* name, CString* out) {
        RegValue value;
        if (!Fetch(name, false, &value)) return;
        if (value.type != REG_SZ || value.data.size() > kMaxNameBytes) {
            fault_ = std::wstring(name) + L" is not a string of at most " + std::to_wstring(kMaxNameBytes) + L" bytes";
            return;
        }
        const std::wstring text = platform::registry::DecodeUtf16(value.data.data(), value.data.size());
        *out = CString(text.c_str());  // up to its terminator
    }

    // Why the entry can't be used; empty when it can.
    const std::wstring& fault() const { return fault_; }

private:
    bool Fetch(const wchar_t* name, bool required, RegValue* value) {
        if (!fault_.empty()) return false;
        const LONG result = key_.Read(name, value);
        if (result == ERROR_SUCCESS) return true;
        if (result != ERROR_FILE_NOT_FOUND) fault_ = std::wstring(name) + L" can't be read";
        else if (required) fault_ = std::wstring(name) + L" is missing";
        return false;
    }

    const RegKey& key_;
    std::wstring fault_;
};

// A key name as a report shows it: short, and without control characters.
std::wstring Shown(const std::wstring& name) {
    std::wstring shown = name.substr(0, kQuotedCharacters);
    for (wchar_t& c : shown)
        if (c < 0x20 || c == 0x7F) c = L'?';
    return name.size() > kQuotedCharacters ? shown + L"..." : shown;
}

// The entry is left out of the shortcuts, and the host hears why.
void ReportSkipped(const std::wstring& entry, const std::wstring& why) {
    const std::wstring message =
        L"The shortcut \"" + entry + L"\" in the registry is damaged and was skipped: " + why;
    RaiseError(ERR_SHORTCUT_DAMAGED, kContextLoad, 0, message.c_str());
}

struct ServiceEntry {
    DWORD id = 0;
    DWORD comPort = 0;
};

// The usable service entries below a device key; the others are reported.
std::vector<ServiceEntry> ReadServiceEntries(const RegKey& deviceKey, const std::wstring& deviceKeyName,
                                             int* complete) {
    std::vector<ServiceEntry> entries;
    std::vector<std::wstring> names;
    if (deviceKey.Subkeys(&names) != ERROR_SUCCESS) {
        ReportSkipped(Shown(deviceKeyName), L"its services can't be listed");
        *complete = 0;
        return entries;
    }
    for (const std::wstring& name : names) {
        const std::wstring entry = Shown(deviceKeyName) + L"\\" + Shown(name);
        RegKey serviceKey;
        if (RegKey::Open(deviceKey.get(), name, &serviceKey) != ERROR_SUCCESS) {
            ReportSkipped(entry, L"the key can't be opened");
            *complete = 0;
            continue;
        }
        ServiceEntry service;
        EntryReader reader(serviceKey);
        reader.Number(shortcuts::kServiceId, {REG_DWORD}, &service.id, sizeof service.id, true);
        reader.Number(shortcuts::kComPort, {REG_DWORD}, &service.comPort, sizeof service.comPort, false);
        if (!reader.fault().empty()) {
            ReportSkipped(entry, reader.fault());
            *complete = 0;
            continue;
        }
        entries.push_back(service);
    }
    return entries;
}

}  // namespace

// Every usable entry loads; a damaged one (a value of the wrong type or size, a required value
// missing, a key that does not open) is reported and skipped, and the rest still load.
int CDeviceLocal::loadShortcutsFromRegistry() {
    RegKey root;
    if (RegKey::Open(HKEY_LOCAL_MACHINE, shortcuts::kRootKey, &root) != ERROR_SUCCESS) return 0;
    std::vector<std::wstring> deviceKeyNames;
    if (root.Subkeys(&deviceKeyNames) != ERROR_SUCCESS) return 0;
    int complete = 1;
    for (const std::wstring& deviceKeyName : deviceKeyNames) {
        RegKey deviceKey;
        if (RegKey::Open(root.get(), deviceKeyName, &deviceKey) != ERROR_SUCCESS) {
            ReportSkipped(Shown(deviceKeyName), L"the key can't be opened");
            complete = 0;
            continue;
        }
        // The address is what makes a shortcut; the writer keeps it as 8 bytes under the 32-bit type.
        std::uint64_t address = 0;
        DWORD classOfDevice = 0;
        CString name;
        EntryReader reader(deviceKey);
        reader.Number(shortcuts::kAddress, {REG_DWORD, REG_BINARY}, &address, sizeof address, true);
        reader.Text(shortcuts::kDeviceName, &name);
        reader.Number(shortcuts::kClass, {REG_DWORD}, &classOfDevice, sizeof classOfDevice, false);
        if (!reader.fault().empty()) {
            ReportSkipped(Shown(deviceKeyName), reader.fault());
            complete = 0;
            continue;
        }
        CDeviceDistant* device = AddShortcutDevice(address, name, classOfDevice, 0);
        for (const ServiceEntry& service : ReadServiceEntries(deviceKey, deviceKeyName, &complete))
            device->AddShortcutService(service.id, service.comPort);  // an unknown identifier makes nothing
    }
    return complete;
}

CDeviceDistant* CDeviceLocal::AddShortcutDevice(BT_ADDR address, CString name, unsigned int classOfDevice,
                                                int paired) {
    if (CDeviceDistant* known = GetShortcutDeviceDistant(address)) return known;
    auto* device = new CDeviceDistant(address, name, classOfDevice, paired);
    std::lock_guard lock(m_devicesLock);
    m_aShortcutDevices.Add(device);
    return device;
}

CDeviceDistant* CDeviceLocal::GetShortcutDeviceDistant(BT_ADDR address) {
    std::lock_guard lock(m_devicesLock);
    for (CDeviceDistant* device : m_aShortcutDevices)
        if (device->GetBtAddr() == address) return device;
    return nullptr;
}

int CDeviceLocal::ShortcutAlreadySaved(CServiceDistant* service) {
    if (!service || !service->GetDevice()) return 0;
    const BT_ADDR address = service->GetDevice()->GetBtAddr();
    std::lock_guard lock(m_devicesLock);
    for (CDeviceDistant* device : m_aShortcutDevices) {
        if (device->GetBtAddr() != address) continue;
        auto servicesLock = device->ServicesLock();
        for (CServiceDistant* shortcut : device->GetShortcutServices())
            if (shortcut->GetID() == service->GetID()) return 1;
    }
    return 0;
}

CServiceDistant* CDeviceLocal::GetServiceFromShortcut(CServiceDistant* shortcut) {
    if (!shortcut || !shortcut->GetDevice()) return nullptr;
    std::lock_guard lock(m_devicesLock);
    CDeviceDistant* device = findListed(shortcut->GetDevice()->GetBtAddr());
    if (!device) return nullptr;
    auto servicesLock = device->ServicesLock();
    for (CServiceDistant* service : device->GetServices())
        if (service->GetID() == shortcut->GetID()) return service;
    return nullptr;
}

int CDeviceLocal::DeleteShortcut(CServiceDistant* shortcut) {
    if (!shortcut || !shortcut->GetDevice()) return 0;
    const BT_ADDR address = shortcut->GetDevice()->GetBtAddr();
    const unsigned int id = shortcut->GetID();
    CDeviceDistant* owner = nullptr;
    {
        std::lock_guard lock(m_devicesLock);
        for (CDeviceDistant* device : m_aShortcutDevices) {
            if (device->GetBtAddr() != address) continue;
            auto servicesLock = device->ServicesLock();
            for (CServiceDistant* service : device->GetShortcutServices())
                if (service->GetID() == id) owner = device;
            if (owner) break;
        }
    }
    if (!owner) return 0;
    // The keys go first: `shortcut` may be the very object deleted next.
    shortcut->DeleteShortcut();
    owner->DeleteShortcutService(id);
    return 1;
}
