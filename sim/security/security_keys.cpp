#include "sim/security/security_keys.h"

#include <algorithm>

#include "platform/bluetooth/bt_security_store.h"
#include "platform/registry/registry.h"

namespace sim {
namespace {

// The security key, open for writing, closed with this object.
class SecurityKey {
public:
    SecurityKey() {
        error_ = static_cast<DWORD>(RegCreateKeyExW(HKEY_LOCAL_MACHINE, bth::kSecurityKey, 0, nullptr, 0,
                                                    KEY_ALL_ACCESS, nullptr, &key_, nullptr));
    }
    ~SecurityKey() {
        if (key_) RegCloseKey(key_);
    }
    SecurityKey(const SecurityKey&) = delete;
    SecurityKey& operator=(const SecurityKey&) = delete;

    DWORD error() const { return error_; }
    DWORD Write(const std::wstring& name, const std::uint8_t* data, std::size_t size) {
        return static_cast<DWORD>(RegSetValueExW(key_, name.c_str(), 0, REG_BINARY, data, static_cast<DWORD>(size)));
    }
    DWORD Delete(const std::wstring& name) {
        const auto result = static_cast<DWORD>(RegDeleteValueW(key_, name.c_str()));
        return result == ERROR_FILE_NOT_FOUND ? ERROR_NOT_FOUND : result;
    }

private:
    HKEY key_ = nullptr;
    DWORD error_ = ERROR_SUCCESS;
};

DWORD Store(SecurityKey& key, BT_ADDR address, const std::string& pin, std::vector<std::wstring>* written) {
    const std::wstring pinName = bth::PinValueName(address);
    const std::wstring keyName = bth::LinkKeyValueName(address);
    const auto linkKey = DeriveLinkKey(address, pin);
    if (DWORD error = key.Write(pinName, reinterpret_cast<const std::uint8_t*>(pin.data()), pin.size())) return error;
    if (DWORD error = key.Write(keyName, linkKey.data(), linkKey.size())) {
        key.Delete(pinName);
        return error;
    }
    // Once each: a device paired again and again rewrites the same two values.
    for (const std::wstring* name : {&pinName, &keyName})
        if (std::find(written->begin(), written->end(), *name) == written->end()) written->push_back(*name);
    return ERROR_SUCCESS;
}

}  // namespace

std::array<std::uint8_t, 16> DeriveLinkKey(BT_ADDR address, const std::string& pin) {
    // FNV-1a over the address and the PIN, one more round per key byte.
    std::uint64_t hash = 14695981039346656037ull;
    const auto mix = [&](std::uint8_t byte) {
        hash ^= byte;
        hash *= 1099511628211ull;
    };
    for (int i = 0; i < 6; ++i) mix(static_cast<std::uint8_t>(address >> (8 * i)));
    for (char c : pin) mix(static_cast<std::uint8_t>(c));
    std::array<std::uint8_t, 16> key{};
    for (std::size_t i = 0; i < key.size(); ++i) {
        mix(static_cast<std::uint8_t>(i));
        key[i] = static_cast<std::uint8_t>(hash >> 56);
    }
    return key;
}

DWORD StorePairing(BT_ADDR address, const std::string& pin, std::vector<std::wstring>* written) {
    SecurityKey key;
    if (key.error()) return key.error();
    return Store(key, address, pin, written);
}

DWORD DeleteSecurityValue(const std::wstring& name) {
    SecurityKey key;
    if (key.error()) return key.error();
    return key.Delete(name);
}

std::vector<std::wstring> ReplacePairedPins(const std::vector<std::wstring>& previous,
                                            const std::vector<WorldDevice>& devices) {
    std::vector<std::wstring> written;
    SecurityKey key;
    if (key.error()) return written;
    for (const std::wstring& name : previous) key.Delete(name);
    for (const WorldDevice& device : devices)
        if (device.pairedPin) Store(key, device.address, *device.pairedPin, &written);
    return written;
}

}  // namespace sim
