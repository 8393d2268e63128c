#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/kernel/kernel.h"
#include "platform/registry/device_activation.h"
#include "platform/registry/registry.h"

namespace {

// A driver that echoes writes back and answers request 7 with its context.
class EchoFile final : public platform::DeviceFile {
public:
    explicit EchoFile(DWORD context) : context_(context) {}
    BOOL IoControl(DWORD code, const void*, DWORD, void* out, DWORD outSize, DWORD* returned) override {
        if (code != 7 || outSize < sizeof(DWORD)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        *static_cast<DWORD*>(out) = context_;
        if (returned) *returned = sizeof(DWORD);
        return TRUE;
    }
    BOOL Write(const void* buffer, DWORD size, DWORD* written) override {
        data_.assign(static_cast<const char*>(buffer), size);
        if (written) *written = size;
        return TRUE;
    }
    BOOL Read(void* buffer, DWORD size, DWORD* read) override {
        DWORD n = std::min<DWORD>(size, static_cast<DWORD>(data_.size()));
        std::memcpy(buffer, data_.data(), n);
        if (read) *read = n;
        return TRUE;
    }

private:
    DWORD context_;
    std::string data_;
};

class EchoDriver final : public platform::StreamDriver {
public:
    explicit EchoDriver(DWORD context) : context_(context) {}
    std::unique_ptr<platform::DeviceFile> Open(DWORD, DWORD) override { return std::make_unique<EchoFile>(context_); }

private:
    DWORD context_;
};

void InstallEcho() {
    platform::InstallDriverLibrary(L"echo.dll", [](const std::wstring&, DWORD, DWORD context) {
        return std::make_shared<EchoDriver>(context);
    });
}

TEST(DeviceNamespace, RegisteredDeviceOpensByNameUntilDeregistered) {
    InstallEcho();
    EXPECT_EQ(CreateFileW(L"ECH3:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    HANDLE registered = RegisterDevice(L"ECH", 3, L"ECHO.DLL", 1234);
    ASSERT_NE(registered, nullptr);
    EXPECT_EQ(RegisterDevice(L"ECH", 3, L"echo.dll", 0), nullptr);  // the name is taken
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);

    HANDLE device = CreateFileW(L"ech3:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    DWORD context = 0, returned = 0;
    ASSERT_TRUE(DeviceIoControl(device, 7, nullptr, 0, &context, sizeof context, &returned, nullptr));
    EXPECT_EQ(context, 1234u);
    EXPECT_FALSE(DeviceIoControl(device, 8, nullptr, 0, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    DWORD done = 0;
    ASSERT_TRUE(WriteFile(device, "AT\r", 3, &done, nullptr));
    char reply[8] = {};
    ASSERT_TRUE(ReadFile(device, reply, sizeof reply, &done, nullptr));
    EXPECT_EQ(std::string(reply, done), "AT\r");
    CloseHandle(device);

    EXPECT_TRUE(DeregisterDevice(registered));
    EXPECT_EQ(CreateFileW(L"ECH3:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeregisterDevice(registered));
}

TEST(DeviceNamespace, UnknownLibraryAndBadArgumentsAreRefused) {
    EXPECT_EQ(RegisterDevice(L"COM", 5, L"missing.dll", 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegisterDevice(L"TOOLONG", 5, L"echo.dll", 0), nullptr);
    EXPECT_EQ(RegisterDevice(nullptr, 5, L"echo.dll", 0), nullptr);
    EXPECT_FALSE(platform::IsDeviceName(L"COM:"));
    EXPECT_FALSE(platform::IsDeviceName(L"C0M5:"));
    EXPECT_TRUE(platform::IsDeviceName(L"COM10:"));
}

TEST(DeviceNamespace, ActivationReadsPrefixIndexAndLibraryFromTheRegistry) {
    InstallEcho();
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Drivers\\Echo", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              &disposition),
              ERROR_SUCCESS);
    const wchar_t prefix[] = L"ECH", dll[] = L"echo.dll";
    DWORD index = 6;
    RegSetValueExW(key, L"Prefix", 0, REG_SZ, reinterpret_cast<const BYTE*>(prefix), 8);
    RegSetValueExW(key, L"Dll", 0, REG_SZ, reinterpret_cast<const BYTE*>(dll), 18);
    RegSetValueExW(key, L"Index", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&index), 4);
    RegCloseKey(key);

    HANDLE active = ActivateDevice(L"Drivers\\Echo", 99);
    ASSERT_NE(active, nullptr);
    HANDLE device = CreateFileW(L"ECH6:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE);
    DWORD context = 0;
    EXPECT_TRUE(DeviceIoControl(device, 7, nullptr, 0, &context, sizeof context, nullptr, nullptr));
    EXPECT_EQ(context, 99u);
    CloseHandle(device);
    EXPECT_TRUE(DeactivateDevice(active));
    EXPECT_EQ(ActivateDevice(L"Drivers\\Missing", 0), nullptr);
}

}  // namespace
