// Name-space lookups: inquiries over bluetoothd's discovery, and service searches answered
// from the records made of a device's service list.
#include <gio/gio.h>

#include <cstdio>

#include "bluez/bluez_radio.h"
#include "bluez/inquiry/profile_records.h"
#include "platform/bluetooth/sdp_codec.h"
#include "platform/bluetooth/sdp_search.h"
#include "platform/registry/registry.h"

namespace bluez {
namespace {

constexpr DWORD kDefaultInquiryMs = 10240;  // 8 inquiry units of 1.28 s
constexpr DWORD kMinInquiryMs = 100;
constexpr DWORD kMaxInquiryMs = 60000;
constexpr const wchar_t* kSettingsKey = L"software\\Trevanix\\Nimbrel";
constexpr const wchar_t* kInquiryLengthValue = L"Inquiry Length";
constexpr unsigned kConnectTimeoutMs = 20000;
constexpr auto kResolveWait = std::chrono::seconds(10);

// How long an inquiry lasts: the registry's "Inquiry Length" (milliseconds), else about ten
// seconds, as bluetoothctl's scans.
DWORD InquiryLengthMs() {
    HKEY key = nullptr;
    DWORD value = 0;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD size = sizeof value;
        if (RegQueryValueOfTypeW(key, kInquiryLengthValue, REG_DWORD, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS)
            value = 0;
        RegCloseKey(key);
    }
    if (value == 0) return kDefaultInquiryMs;
    return std::clamp<DWORD>(value, kMinInquiryMs, kMaxInquiryMs);
}

CallSpec AdapterCall(const std::string& path, const char* method) {
    CallSpec callSpec;
    callSpec.path = path;
    callSpec.interface = kAdapterInterface;
    callSpec.method = method;
    return callSpec;
}

CallSpec DeviceCall(const std::string& path, const char* method, unsigned timeoutMs) {
    CallSpec callSpec;
    callSpec.path = path;
    callSpec.interface = kDeviceInterface;
    callSpec.method = method;
    callSpec.timeoutMs = timeoutMs;
    return callSpec;
}

}  // namespace

DWORD BlueZRadio::BeginInquiry(bth::LookupId* id) {
    const auto adapter = connection_.cache().Adapter();
    if (!adapter) return WSAEHOSTDOWN;
    if (!adapter->powered) {
        std::fprintf(stderr, "nimbrel: the adapter is powered off: switch it on to search for devices\n");
        return ERROR_NOT_READY;
    }
    auto lookup = std::make_shared<Lookup>();
    lookup->firstSighting = connection_.cache().NextSighting();
    const CallResult started = connection_.Call(AdapterCall(adapter->path, "StartDiscovery"));
    if (!started.ok && started.errorName != "org.bluez.Error.InProgress") {
        std::fprintf(stderr, "nimbrel: bluetoothd did not start a discovery: %s\n", started.Describe().c_str());
        if (started.errorName == "org.bluez.Error.NotReady") return ERROR_NOT_READY;
        return started.timedOut ? WSAETIMEDOUT : WSAEHOSTDOWN;
    }
    if (started.ok) discoveryOurs_ = true;
    lookup->deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(InquiryLengthMs());
    *id = lookups_.Add(lookup);
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::NextInquiryDevice(bth::LookupId id, bth::InquiryDevice* device) {
    auto lookup = lookups_.Find(id);
    if (!lookup || lookup->search) return WSAEINVAL;
    std::lock_guard serial(lookup->mutex);
    std::optional<DeviceInfo> found;
    connection_.cache().WaitUntil(lookup->deadline, [&](const CacheState& state) {
        if (lookup->ended) return true;
        const AdapterInfo* adapter = state.FirstAdapter();
        if (!adapter || !adapter->powered) return true;
        for (const auto& [path, candidate] : state.devices) {
            if (!candidate.address || candidate.lastSighting < lookup->firstSighting ||
                lookup->reported.count(candidate.address) || candidate.adapter != adapter->path)
                continue;
            found = candidate;
            return true;
        }
        return false;
    });
    if (lookup->ended) return WSA_E_CANCELLED;
    if (!found) return WSA_E_NO_MORE;
    lookup->reported.insert(found->address);
    device->address = found->address;
    device->classOfDevice = found->classOfDevice;
    device->name = found->name.value_or(std::wstring());
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::BeginServiceSearch(const bth::ServiceSearch& search, bth::LookupId* id) {
    auto lookup = std::make_shared<Lookup>();
    lookup->search = search;
    *id = lookups_.Add(lookup);
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::ResolveServices(BT_ADDR address) {
    const auto device = connection_.cache().Device(address);
    if (!device) return WSAEHOSTDOWN;
    if (device->servicesResolved) return ERROR_SUCCESS;
    const bool wasConnected = device->connected;
    const CallResult connected = connection_.Call(DeviceCall(device->path, "Connect", kConnectTimeoutMs));
    if (connected.ok) {
        const auto deadline = std::chrono::steady_clock::now() + kResolveWait;
        connection_.cache().WaitUntil(deadline, [&](const CacheState& state) {
            const DeviceInfo* now = state.FindDevice(address);
            return !now || now->servicesResolved;
        });
        // Connected only to learn its services: the link is let go again.
        if (!wasConnected) connection_.Call(DeviceCall(device->path, "Disconnect", 5000));
    } else {
        std::fprintf(stderr, "nimbrel: connecting to %s for its services failed: %s\n", BlueZAddress(address).c_str(),
                     connected.Describe().c_str());
    }
    const auto now = connection_.cache().Device(address);
    if (!now) return WSAEHOSTDOWN;
    // A device that would not connect may still have told its services when it was found.
    if (!connected.ok && now->uuids.empty()) return WSAEHOSTDOWN;
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::NextServiceResponse(bth::LookupId id, std::vector<std::uint8_t>* response) {
    auto lookup = lookups_.Find(id);
    if (!lookup || !lookup->search) return WSAEINVAL;
    std::lock_guard serial(lookup->mutex);
    if (lookup->answered) return WSA_E_NO_MORE;
    if (DWORD error = ResolveServices(lookup->search->target)) return error;
    if (lookup->ended) return WSA_E_CANCELLED;
    const auto device = connection_.cache().Device(lookup->search->target);
    if (!device) return WSAEHOSTDOWN;
    *response = sdp::Encode(
        sdp::AnswerServiceSearchAttribute(ProfileRecords(device->uuids), lookup->search->pattern, lookup->search->ranges));
    lookup->answered = true;
    return ERROR_SUCCESS;
}

DWORD BlueZRadio::EndLookup(bth::LookupId id) {
    auto lookup = lookups_.Remove(id);
    if (!lookup) return WSAEINVAL;
    lookup->ended = true;
    connection_.cache().Wake();
    // Our discovery ends with the last inquiry that used it (whichever of them started it).
    if (!lookup->search && !lookups_.InquiryOpen(nullptr) && discoveryOurs_.exchange(false)) {
        const std::string adapter = AdapterPath();
        if (!adapter.empty()) connection_.Call(AdapterCall(adapter, "StopDiscovery"));
    }
    return ERROR_SUCCESS;
}

}  // namespace bluez
