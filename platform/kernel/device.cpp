#include "platform/kernel/device.h"

#include <cwchar>
#include <cwctype>
#include <map>
#include <mutex>

#include "platform/kernel/file_object.h"
#include "platform/kernel/kernel_object.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"
#include "platform/text/case_fold.h"

namespace platform {
namespace {

struct Namespace {
    std::mutex mutex;
    std::map<std::wstring, std::shared_ptr<StreamDriver>> devices;  // by case-folded name
    std::map<std::wstring, DriverFactory> libraries;                // by case-folded file name
};

Namespace& Devices() {
    static auto* devices = new Namespace;
    return *devices;
}

// A registered device: closing the handle of RegisterDevice does not remove it, only
// DeregisterDevice does, so the handle just remembers the name.
class RegisteredDevice final : public KernelObject {
public:
    explicit RegisteredDevice(std::wstring name) : name(std::move(name)) {}
    const std::wstring name;
};

}  // namespace

BOOL DeviceFile::IoControl(DWORD, const void*, DWORD, void*, DWORD, DWORD*) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}
BOOL DeviceFile::Read(void*, DWORD, DWORD*) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}
BOOL DeviceFile::Write(const void*, DWORD, DWORD*) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

void InstallDriverLibrary(const std::wstring& library, DriverFactory factory) {
    auto& ns = Devices();
    std::lock_guard lock(ns.mutex);
    ns.libraries[FoldCase(library)] = std::move(factory);
}

void RemoveDriverLibrary(const std::wstring& library) {
    DriverFactory removed;  // released outside the lock: it may hold the last reference to a backend
    auto& ns = Devices();
    std::lock_guard lock(ns.mutex);
    auto it = ns.libraries.find(FoldCase(library));
    if (it == ns.libraries.end()) return;
    removed = std::move(it->second);
    ns.libraries.erase(it);
}

void AddBuiltInDevice(const std::wstring& name, std::shared_ptr<StreamDriver> driver) {
    auto& ns = Devices();
    std::lock_guard lock(ns.mutex);
    ns.devices[FoldCase(name)] = std::move(driver);
}

void RemoveBuiltInDevice(const std::wstring& name) {
    std::shared_ptr<StreamDriver> removed;
    auto& ns = Devices();
    std::lock_guard lock(ns.mutex);
    auto it = ns.devices.find(FoldCase(name));
    if (it == ns.devices.end()) return;
    removed = std::move(it->second);
    ns.devices.erase(it);
}

bool IsDeviceName(const std::wstring& name) {
    if (name.size() < 5 || name.back() != L':') return false;
    for (int i = 0; i < 3; ++i)
        if (!std::iswalpha(static_cast<wint_t>(name[i]))) return false;
    for (size_t i = 3; i + 1 < name.size(); ++i)
        if (!std::iswdigit(static_cast<wint_t>(name[i]))) return false;
    return true;
}

HANDLE OpenDevice(const std::wstring& name, DWORD access, DWORD share) {
    std::shared_ptr<StreamDriver> driver;
    {
        auto& ns = Devices();
        std::lock_guard lock(ns.mutex);
        auto it = ns.devices.find(FoldCase(name));
        if (it != ns.devices.end()) driver = it->second;
    }
    if (!driver) {
        SetLastError(ERROR_DEV_NOT_EXIST);
        return nullptr;
    }
    auto file = driver->Open(access, share);
    if (!file) return nullptr;
    return AddHandle(std::make_shared<FileObject>(std::move(file)));
}

}  // namespace platform

BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned,
                     void*) {
    auto file = platform::LookupHandleAs<platform::FileObject>(device);
    if (!file || !file->device()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (returned) *returned = 0;
    return file->device()->IoControl(code, in, inSize, out, outSize, returned);
}

HANDLE RegisterDevice(LPCWSTR prefix, DWORD index, LPCWSTR library, DWORD context) {
    using namespace platform;
    if (!prefix || !library || std::wcslen(prefix) != 3 || index > 9) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::wstring name = FoldCase(std::wstring(prefix) + std::to_wstring(index) + L":");
    DriverFactory factory;
    {
        auto& ns = Devices();
        std::lock_guard lock(ns.mutex);
        if (ns.devices.count(name)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return nullptr;
        }
        auto it = ns.libraries.find(FoldCase(library));
        if (it == ns.libraries.end()) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return nullptr;
        }
        factory = it->second;
    }
    // The driver's init runs outside the namespace lock: it may open other devices.
    auto driver = factory(prefix, index, context);
    if (!driver) {
        if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    {
        auto& ns = Devices();
        std::lock_guard lock(ns.mutex);
        if (!ns.devices.emplace(name, driver).second) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return nullptr;
        }
    }
    return AddHandle(std::make_shared<RegisteredDevice>(name));
}

BOOL DeregisterDevice(HANDLE device) {
    auto registered = platform::RemoveHandle(device);
    auto* entry = dynamic_cast<platform::RegisteredDevice*>(registered.get());
    if (!entry) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    platform::RemoveBuiltInDevice(entry->name);
    return TRUE;
}
