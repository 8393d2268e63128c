// The Bluetooth serial driver "btd.dll" over a fake backend: registration, the terminal a
// serial program opens, links made on open, and the index lock shared by processes.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>

#include "platform/bluetooth/bt_port_params.h"
#include "platform/fake_backend.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/paths.h"
#include "platform/registry/device_activation.h"
#include "platform/registry/registry.h"
#include "support/pty_client.h"

namespace {

namespace fs = std::filesystem;
using testsupport::FakeBackend;
using testsupport::PtyClient;

constexpr BT_ADDR kLaptop = 0x000E9F112233;

PORTEMUPortParams ClientRecord() {
    PORTEMUPortParams record;
    record.device = kLaptop;
    record.uuidService = sdp::uuids::kSerialPort.ToGuid();
    return record;
}

PORTEMUPortParams ServerRecord() {
    PORTEMUPortParams record;
    record.channel = RFCOMM_CHANNEL_MULTIPLE;
    record.flocal = 1;
    return record;
}

class BtSerialDriver : public ::testing::Test {
protected:
    void SetUp() override { bth::InstallBackend(backend); }
    void TearDown() override { bth::InstallBackend(nullptr); }

    HANDLE Register(DWORD index, const bth::PortParamsCookie& cookie) {
        return RegisterDevice(L"COM", index, L"btd.dll", cookie.value());
    }
    static HANDLE Open(const wchar_t* name, DWORD access = GENERIC_READ | GENERIC_WRITE) {
        return CreateFileW(name, access, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    }
    static fs::path Link(int index) { return platform::RuntimeFolder().path / ("COM" + std::to_string(index)); }

    std::shared_ptr<FakeBackend> backend = std::make_shared<FakeBackend>();
    bth::PortParamsCookie client{ClientRecord()};
    bth::PortParamsCookie server{ServerRecord()};
};

TEST_F(BtSerialDriver, ClientPortCarriesBytesBothWaysThroughTheTerminal) {
    HANDLE device = Register(5, client);
    ASSERT_NE(device, nullptr);
    std::error_code ec;
    ASSERT_TRUE(fs::is_symlink(Link(5), ec));
    const fs::path slave = fs::read_symlink(Link(5));
    EXPECT_EQ(slave.parent_path(), "/dev/pts");
    struct stat info {};
    ASSERT_EQ(::stat(slave.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(Link(5).parent_path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    HANDLE port = Open(L"COM5:");
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    ASSERT_EQ(backend->serial.requests().size(), 1u);
    const auto request = backend->serial.requests()[0];
    EXPECT_EQ(request.device, kLaptop);
    EXPECT_EQ(request.serviceClass, sdp::uuids::kSerialPort);
    EXPECT_EQ(request.channel, 0);
    EXPECT_FALSE(request.server);

    PtyClient user(Link(5));
    ASSERT_TRUE(user.ok());
    const std::string binary("\r\n\x00\x03\x11\x13\xff\x7f+", 9);  // nothing translated or swallowed
    ASSERT_TRUE(user.Write(binary));
    EXPECT_EQ(backend->serial.AwaitSent(binary.size()), binary);
    backend->serial.Speak(binary);
    EXPECT_EQ(user.Read(binary.size()), binary);

    // A second handle shares the link, which closes with the last handle.
    HANDLE again = Open(L"COM5:");
    ASSERT_NE(again, INVALID_HANDLE_VALUE);
    EXPECT_EQ(backend->serial.requests().size(), 1u);
    CloseHandle(port);
    EXPECT_EQ(backend->serial.open(), 1);
    CloseHandle(again);
    EXPECT_EQ(backend->serial.open(), 0);

    EXPECT_TRUE(DeregisterDevice(device));
    EXPECT_FALSE(fs::exists(Link(5), ec) || fs::is_symlink(Link(5), ec));
    EXPECT_EQ(Open(L"COM5:"), INVALID_HANDLE_VALUE);
}

TEST_F(BtSerialDriver, OpenFailsWithTheLinksErrorAndABrokenLinkIsMadeAgain) {
    HANDLE device = Register(4, client);
    ASSERT_NE(device, nullptr);
    backend->serial.error = ERROR_TIMEOUT;
    EXPECT_EQ(Open(L"COM4:"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    HANDLE query = Open(L"COM4:", 0);  // no access: only asks whether the port exists
    ASSERT_NE(query, INVALID_HANDLE_VALUE);
    CloseHandle(query);

    backend->serial.error = 0;
    HANDLE first = Open(L"COM4:");
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    backend->serial.Break();
    HANDLE second = Open(L"COM4:");  // the remote end left: a new link, the old one closed
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(backend->serial.requests().size(), 3u);
    EXPECT_EQ(backend->serial.open(), 1);

    PtyClient user(Link(4));
    ASSERT_TRUE(user.Write("x"));
    EXPECT_EQ(backend->serial.AwaitSent(1), "x");
    CloseHandle(first);
    CloseHandle(second);
    DeregisterDevice(device);
}

TEST_F(BtSerialDriver, ServerReportsItsChannel) {
    HANDLE device = Register(6, server);
    ASSERT_NE(device, nullptr);
    HANDLE port = Open(L"COM6:");
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(backend->serial.requests().at(0).server);
    DWORD channel = 0, returned = 0;
    ASSERT_TRUE(DeviceIoControl(port, IOCTL_BLUETOOTH_GET_RFCOMM_CHANNEL, nullptr, 0, &channel, sizeof channel,
                                &returned, nullptr));
    EXPECT_EQ(channel, 7u);
    EXPECT_EQ(returned, 4u);
    std::uint16_t tooSmall = 0;
    EXPECT_FALSE(DeviceIoControl(port, IOCTL_BLUETOOTH_GET_RFCOMM_CHANNEL, nullptr, 0, &tooSmall, sizeof tooSmall,
                                 nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    // Deregistered while open: the port goes at once, the handle stays harmless.
    EXPECT_TRUE(DeregisterDevice(device));
    EXPECT_EQ(backend->serial.open(), 0);
    CloseHandle(port);
}

TEST_F(BtSerialDriver, RegistrationRefusesBadRecordsAndTakenIndexes) {
    EXPECT_EQ(RegisterDevice(L"COM", 3, L"btd.dll", 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    DWORD gone = 0;
    {
        bth::PortParamsCookie cookie(ClientRecord());
        gone = cookie.value();
        EXPECT_NE(gone, 0u);
        EXPECT_NE(gone, client.value());
        EXPECT_EQ(bth::ResolvePortParams(gone)->device, kLaptop);
    }
    EXPECT_FALSE(bth::ResolvePortParams(gone));
    EXPECT_EQ(RegisterDevice(L"COM", 3, L"btd.dll", gone), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Register(99, client), nullptr);
    EXPECT_EQ(RegisterDevice(L"../", 3, L"btd.dll", client.value()), nullptr);
    PORTEMUPortParams noDevice = ClientRecord();
    noDevice.device = 0;  // a probe for a free index
    HANDLE probe = Register(3, bth::PortParamsCookie(noDevice));
    ASSERT_NE(probe, nullptr);
    EXPECT_TRUE(DeregisterDevice(probe));

    backend->reservedPort = 2;
    EXPECT_EQ(Register(2, client), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);

    HANDLE taken = Register(3, client);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(Register(3, server), nullptr);
    DeregisterDevice(taken);

    bth::InstallBackend(nullptr);  // the driver goes with its backend
    EXPECT_EQ(Register(3, client), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(BtSerialDriver, AnIndexHeldByAProcessIsFreedWhenItDies) {
    int ready[2], release[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(release[1]);
        const char held = Register(8, client) ? 'y' : 'n';
        [[maybe_unused]] ssize_t ignored = ::write(ready[1], &held, 1);
        char wait;
        ignored = ::read(release[0], &wait, 1);  // returns when the parent closes its end
        ::_exit(0);                              // never deregisters
    }
    ::close(ready[1]);
    ::close(release[0]);
    char held = 0;
    ASSERT_EQ(::read(ready[0], &held, 1), 1);
    ASSERT_EQ(held, 'y');
    EXPECT_EQ(Register(8, client), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    ::close(release[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(ready[0]);

    HANDLE device = Register(8, client);  // the dead process's lock and stale link are gone
    ASSERT_NE(device, nullptr);
    HANDLE port = Open(L"COM8:");
    PtyClient user(Link(8));
    ASSERT_TRUE(user.Write("ok"));
    EXPECT_EQ(backend->serial.AwaitSent(2), "ok");
    CloseHandle(port);
    DeregisterDevice(device);
}

TEST_F(BtSerialDriver, ActivationReadsTheCookieFromTheRegistry) {
    const wchar_t* path = L"software\\microsoft\\bluetooth\\device\\ports\\Laptop000E9F112233COM7";
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, 0, nullptr, &key, nullptr), ERROR_SUCCESS);
    auto text = [&](const wchar_t* name, const std::wstring& value) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), RegStringSize(value));
    };
    auto number = [&](const wchar_t* name, DWORD value) {
        RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    };
    text(L"dll", L"btd.dll");
    text(L"prefix", L"COM");
    number(L"index", 7);
    number(L"context", client.value());
    RegCloseKey(key);

    HANDLE device = ActivateDevice(path, 0);
    ASSERT_NE(device, nullptr);
    HANDLE port = Open(L"COM7:");
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_EQ(backend->serial.requests().at(0).device, kLaptop);
    CloseHandle(port);
    EXPECT_TRUE(DeactivateDevice(device));
    HANDLE again = Register(7, client);  // released
    EXPECT_NE(again, nullptr);
    DeregisterDevice(again);
}

}  // namespace
