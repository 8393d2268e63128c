// Device discovery: the devices the stack knows as paired, then those that answer an inquiry.
#include <vector>

#include "engine/device/device_local.h"
#include "engine/device/remote_name.h"
#include "engine/frame/bth_stack.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"
#include "platform/bluetooth/bt_security_store.h"
#include "platform/kernel/last_error.h"
#include "platform/registry/registry.h"

namespace {

constexpr DWORD kResultBufferBytes = 5000;

}  // namespace

int CDeviceLocal::FindDevices() { return m_bActivated ? BeginInquiry() : 0; }

CDeviceDistant* CDeviceLocal::addDevice(BT_ADDR address, CString name, unsigned int classOfDevice, int paired) {
    bool added = false;
    CDeviceDistant* device = nullptr;
    {
        std::lock_guard lock(m_devicesLock);
        device = findOrAppend(address, name, classOfDevice, paired, &added);
    }
    // Announced with no lock held: the host's callback may take DevicesLock() itself. The device
    // can only be deleted by the host's own thread (FindDevices), not while this one uses it.
    if (added) FireNotification(NOTIFY_DEVICE_ADDED, 0);
    return device;
}

CDeviceDistant* CDeviceLocal::findOrAppend(BT_ADDR address, const CString& name, unsigned int classOfDevice,
                                           int paired, bool* added) {
    m_bFoundDevices = 1;
    *added = false;
    if (CDeviceDistant* known = findListed(address)) return known;
    auto* device = new CDeviceDistant(address, name, classOfDevice, paired);
    m_aDevices.Add(device);
    *added = true;
    return device;
}

CDeviceDistant* CDeviceLocal::findListed(BT_ADDR address) const {
    for (auto* device : m_aDevices)
        if (device->GetBtAddr() == address) return device;
    return nullptr;
}

CDeviceDistant* CDeviceLocal::getDeviceDistant(BT_ADDR address) {
    std::lock_guard lock(m_devicesLock);
    return findListed(address);
}

void CDeviceLocal::deleteKnownElements() {
    deleteDevices(m_aDevices);
    m_bFoundDevices = 0;
}

void CDeviceLocal::deleteDevices(CArray<CDeviceDistant*, CDeviceDistant*>& list) {
    CArray<CDeviceDistant*, CDeviceDistant*> taken;
    {
        std::lock_guard lock(m_devicesLock);
        taken.Copy(list);
        list.RemoveAll();
    }
    // A device handed to a callback outside the lock stays until that callback has returned;
    // each device then stops its own threads as it goes.
    m_devicesInUse.WaitUnused();
    for (auto* device : taken) delete device;
}

void CDeviceLocal::doInquiryThreadWork() {
    findPairedDevices();
    findDistantDevices();
    m_bFoundDevices = 1;
}

void CDeviceLocal::findPairedDevices() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, bth::kSecurityKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    for (DWORD index = 0;; ++index) {
        wchar_t name[32] = {};
        DWORD nameLength = 32, dataLength = 0, type = 0;
        // Only the PIN's length matters here; reading no data also keeps a value of another type
        // from ever landing in a buffer sized for it.
        LONG result = RegEnumValueW(key, index, name, &nameLength, nullptr, &type, nullptr, &dataLength);
        if (result == static_cast<LONG>(ERROR_NO_MORE_ITEMS)) break;
        BT_ADDR address = 0;
        if (result != ERROR_SUCCESS || type != REG_BINARY ||
            !bth::ParsePinValueName(std::wstring_view(name, nameLength), &address) || dataLength < 1 || dataLength > 16)
            continue;
        CRegistry registry;
        CString pairedName = registry.ReadValueString(PairedValueName(address, L"_Paired"));
        unsigned int classOfDevice = registry.ReadValueDword(PairedValueName(address, L"_Class"));
        addDevice(address, pairedName, classOfDevice, 1);
    }
    RegCloseKey(key);
}

void CDeviceLocal::findDistantDevices() {
    WSAQUERYSETW query{};
    query.dwSize = sizeof query;
    query.dwNameSpace = NS_BTH;
    HANDLE lookup = nullptr;
    if (BthNsLookupServiceBegin(&query, LUP_CONTAINERS, &lookup) != 0) {
        RaiseError(static_cast<int>(GetLastError()), L"CDeviceLocal::findDistantDevices");
        return;
    }
    if (!holdLookup(lookup)) return;  // ended already: a stop came first
    std::vector<std::uint64_t> storage(kResultBufferBytes / sizeof(std::uint64_t));
    while (!StopRequested()) {
        auto* results = reinterpret_cast<WSAQUERYSETW*>(storage.data());
        *results = WSAQUERYSETW{};
        results->dwSize = sizeof(WSAQUERYSETW);
        results->dwNameSpace = NS_BTH;
        DWORD length = kResultBufferBytes;
        if (BthNsLookupServiceNext(lookup, LUP_RETURN_NAME | LUP_RETURN_ADDR | LUP_RETURN_BLOB, &length, results) != 0)
            break;
        if (!results->lpcsaBuffer || !results->lpcsaBuffer->RemoteAddr.lpSockaddr) continue;
        BT_ADDR address = results->lpcsaBuffer->RemoteAddr.lpSockaddr->btAddr;
        unsigned int classOfDevice = 0;
        if (results->lpBlob && results->lpBlob->pBlobData && results->lpBlob->cbSize >= sizeof(BthInquiryResult))
            classOfDevice = reinterpret_cast<const BthInquiryResult*>(results->lpBlob->pBlobData)->cod;
        if (classOfDevice == 0 && BthGetRemoteCOD(address, &classOfDevice) != 0) {
            RaiseError(ERR_FOUND_DEVICE_COD, L"CDeviceLocal::findDistantDevices");
            classOfDevice = 0;
        }
        addDevice(address, RemoteDeviceName(results->lpszServiceInstanceName), classOfDevice, 0);
    }
    endLookup();
}
