// Shortcuts as another start of the engine finds them in the registry.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

#include "engine/device/device_local.h"
#include "engine/frame/error_codes.h"
#include "engine/service/service_distant.h"
#include "engine/service/shortcut_keys.h"
#include "engine/error_log.h"
#include "engine/registry_probe.h"

namespace {

constexpr BT_ADDR kPhone = 0x0012AB34CD56ull;
const std::wstring kRoot = shortcuts::kRootKey;

std::uint64_t ReadAddress(const std::wstring& path, DWORD* type, DWORD* size) {
    HKEY key = nullptr;
    std::uint64_t address = 0;
    *size = sizeof address;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    RegQueryValueExW(key, shortcuts::kAddress, nullptr, type, reinterpret_cast<BYTE*>(&address), size);
    RegCloseKey(key);
    return address;
}

// One value written straight into the registry, as a hand edit would.
void Put(const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}
void PutText(const std::wstring& path, const wchar_t* name, const std::wstring& text) {
    Put(path, name, REG_SZ, text.c_str(), RegStringSize(text));
}
void PutDword(const std::wstring& path, const wchar_t* name, DWORD value) {
    Put(path, name, REG_DWORD, &value, sizeof value);
}

// The shortcut services a fresh engine loads, as (address, name, id, port) lines.
std::vector<std::wstring> LoadedShortcuts() {
    CDeviceLocal local;
    std::vector<std::wstring> lines;
    auto lock = local.DevicesLock();
    for (CDeviceDistant* device : local.GetShortcutDevices()) {
        auto servicesLock = device->ServicesLock();
        for (CServiceDistant* service : device->GetShortcutServices())
            lines.push_back(std::to_wstring(device->GetBtAddr()) + L" " + device->GetName().str() + L" " +
                            std::to_wstring(service->GetID()) + L" " + std::to_wstring(service->GetComPort()));
    }
    return lines;
}

TEST(ShortcutStore, SavedServicesLoadInTheNextEngineAndGoWithTheirKeys) {
    {
        CDeviceLocal local;
        CDeviceDistant* phone = local.addDevice(kPhone, L"Phone", 0x5A0204, 0);
        CServiceDistant* serial = phone->AddDistantService(SERVICE_ID_SPP, 5);
        CServiceDistant* dialUp = phone->AddDistantService(SERVICE_ID_DUN, 7);
        EXPECT_EQ(local.DeleteShortcut(serial), 0) << "nothing saved yet";
        ASSERT_EQ(serial->SaveShortcut(), 1);
        ASSERT_EQ(dialUp->SaveShortcut(), 1);
        ASSERT_EQ(serial->SaveShortcut(), 1) << "a second save overwrites";
    }
    const std::wstring device = kRoot + L"\\Phone0012AB34CD56";
    DWORD type = 0, size = 0;
    EXPECT_EQ(ReadAddress(device, &type, &size), kPhone);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(testsupport::ReadString(device, shortcuts::kDeviceName)->first, L"Phone");
    EXPECT_EQ(testsupport::ReadDword(device, shortcuts::kClass), 0x5A0204u);
    EXPECT_EQ(testsupport::ReadDword(device + L"\\Serial Port", shortcuts::kServiceId), SERVICE_ID_SPP);
    EXPECT_EQ(testsupport::ReadDword(device + L"\\Serial Port", shortcuts::kComPort), 5u);

    CDeviceLocal local;
    EXPECT_EQ(LoadedShortcuts(), (std::vector<std::wstring>{std::to_wstring(kPhone) + L" Phone 1 5",
                                                            std::to_wstring(kPhone) + L" Phone 4 7"}));
    CDeviceDistant* shortcutDevice = local.GetShortcutDeviceDistant(kPhone);
    ASSERT_NE(shortcutDevice, nullptr);
    CServiceDistant* serialShortcut = nullptr;
    {
        auto lock = shortcutDevice->ServicesLock();
        serialShortcut = shortcutDevice->GetShortcutServices()[0];
    }
    // The live service a shortcut stands for exists only once a discovery found the device.
    EXPECT_EQ(local.GetServiceFromShortcut(serialShortcut), nullptr);
    CDeviceDistant* found = local.addDevice(kPhone, L"Phone", 0, 0);
    CServiceDistant* live = found->AddDistantService(SERVICE_ID_SPP, 99);
    EXPECT_EQ(local.GetServiceFromShortcut(serialShortcut), live);
    EXPECT_EQ(local.ShortcutAlreadySaved(live), 1);
    EXPECT_EQ(local.ShortcutAlreadySaved(found->AddDistantService(SERVICE_ID_FTP, 99)), 0);

    EXPECT_EQ(local.DeleteShortcut(serialShortcut), 1);
    EXPECT_TRUE(testsupport::KeyExists(device)) << "the dial-up shortcut still lives there";
    EXPECT_FALSE(testsupport::KeyExists(device + L"\\Serial Port"));
    EXPECT_EQ(local.DeleteShortcut(live), 0) << "deleted already";
    CServiceDistant* dialUpShortcut = nullptr;
    {
        auto lock = shortcutDevice->ServicesLock();
        ASSERT_EQ(shortcutDevice->GetShortcutServices().GetSize(), 1);
        dialUpShortcut = shortcutDevice->GetShortcutServices()[0];
    }
    EXPECT_EQ(local.DeleteShortcut(dialUpShortcut), 1);
    EXPECT_FALSE(testsupport::KeyExists(device));
    EXPECT_EQ(local.GetShortcutDeviceDistant(kPhone), shortcutDevice) << "the device stays listed";
}

TEST(ShortcutStore, RenamedDevicesJoinAndBackslashesStayInTheName) {
    {
        CDeviceLocal local;
        CDeviceDistant* phone = local.addDevice(kPhone, L"Old\\Name", 0, 0);
        ASSERT_EQ(phone->AddDistantService(SERVICE_ID_SPP, 3)->SaveShortcut(), 1);
        CDeviceDistant* other = local.addDevice(kPhone + 1, L"New", 0, 0);
        ASSERT_EQ(other->AddDistantService(SERVICE_ID_OPP, 99)->SaveShortcut(), 1);
    }
    EXPECT_TRUE(testsupport::KeyExists(kRoot + L"\\Old/Name0012AB34CD56"));
    {
        // The same address under a new name: a second key, one device when loaded.
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kRoot + L"\\Renamed0012AB34CD56\\Object Push").c_str(), 0,
                                  nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        DWORD id = SERVICE_ID_OPP;
        RegSetValueExW(key, shortcuts::kServiceId, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&id), sizeof id);
        RegCloseKey(key);
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kRoot + L"\\Renamed0012AB34CD56").c_str(), 0, 0, &key),
                  ERROR_SUCCESS);
        std::uint64_t address = kPhone;
        RegSetValueExW(key, shortcuts::kAddress, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&address), 8);
        RegCloseKey(key);
    }
    const std::wstring phone = std::to_wstring(kPhone), other = std::to_wstring(kPhone + 1);
    EXPECT_EQ(LoadedShortcuts(), (std::vector<std::wstring>{phone + L" Old\\Name 1 3", phone + L" Old\\Name 3 0",
                                                            other + L" New 3 99"}));
}

TEST(ShortcutStore, LongNamesLoadAndDamagedEntriesAreSkippedWithAReport) {
    const std::wstring longName(400, L'N');
    {
        CDeviceLocal local;
        CDeviceDistant* phone = local.addDevice(kPhone, longName.c_str(), 0x5A0204, 0);
        ASSERT_EQ(phone->AddDistantService(SERVICE_ID_SPP, 5)->SaveShortcut(), 1);
    }
    // Values of the wrong type or size, required ones missing: as a hand edit leaves them.
    PutText(kRoot + L"\\Text address", shortcuts::kAddress, L"12");
    PutDword(kRoot + L"\\Text address\\Serial Port", shortcuts::kServiceId, SERVICE_ID_SPP);
    PutText(kRoot + L"\\No address", shortcuts::kDeviceName, L"Nameless");
    const BT_ADDR numericName = kPhone + 2;
    Put(kRoot + L"\\Numeric name", shortcuts::kAddress, REG_DWORD, &numericName, 8);
    PutDword(kRoot + L"\\Numeric name", shortcuts::kDeviceName, 7);
    // A key name longer than any the writer makes still lists, and an address under the binary
    // type is the same eight bytes.
    const std::wstring longKey = kRoot + L"\\" + std::wstring(300, L'K');
    const BT_ADDR laptop = kPhone + 3;
    Put(longKey, shortcuts::kAddress, REG_BINARY, &laptop, 8);
    PutText(longKey, shortcuts::kDeviceName, L"Laptop");
    PutDword(longKey + L"\\Object Push", shortcuts::kServiceId, SERVICE_ID_OPP);
    PutDword(longKey + L"\\Object Push", shortcuts::kComPort, 2);
    PutText(longKey + L"\\Text id", shortcuts::kServiceId, L"1");
    PutDword(longKey + L"\\No id", shortcuts::kComPort, 4);
    PutDword(longKey + L"\\Short port", shortcuts::kServiceId, SERVICE_ID_SPP);
    Put(longKey + L"\\Short port", shortcuts::kComPort, REG_BINARY, "\x01", 1);

    auto& errors = testsupport::ErrorLog::Attach();
    EXPECT_EQ(LoadedShortcuts(), (std::vector<std::wstring>{std::to_wstring(kPhone) + L" " + longName + L" 1 5",
                                                            std::to_wstring(laptop) + L" Laptop 3 2"}));
    std::vector<std::wstring> messages;
    for (const auto& report : errors.Reports()) {
        EXPECT_EQ(report.code, ERR_SHORTCUT_DAMAGED);
        EXPECT_EQ(report.context, L"CDeviceLocal::loadShortcutsFromRegistry");
        messages.push_back(report.message);
    }
    const std::wstring prefix = L"The shortcut \"", skipped = L"\" in the registry is damaged and was skipped: ";
    const std::wstring shownKey = std::wstring(80, L'K') + L"...\\";
    EXPECT_EQ(messages, (std::vector<std::wstring>{
                            prefix + L"Text address" + skipped + L"device_btAddr is not a number of 8 bytes",
                            prefix + L"No address" + skipped + L"device_btAddr is missing",
                            prefix + L"Numeric name" + skipped + L"device_sName is not a string of at most 65536 bytes",
                            prefix + shownKey + L"Text id" + skipped + L"uiID is not a number of 4 bytes",
                            prefix + shownKey + L"No id" + skipped + L"uiID is missing",
                            prefix + shownKey + L"Short port" + skipped + L"comPort is not a number of 4 bytes"}));
}

}  // namespace
