// The registry file: shared by threads and processes, durable across a kill, and a damaged
// file reported rather than crashed on.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/kernel/paths.h"
#include "platform/registry/registry.h"
#include "support/tools.h"

namespace {

HKEY Create(LPCWSTR path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
    return key;
}

LONG SetDword(HKEY key, const std::wstring& name, DWORD value) {
    return RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG GetDword(HKEY key, const std::wstring& name, DWORD* value) {
    DWORD size = sizeof *value;
    return RegQueryValueExW(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
}

std::string Tool(const std::string& arguments) { return testsupport::ToolPath("nimbrel-reg") + " " + arguments; }

TEST(RegistryStorage, ThreadsWritingAndReadingAtOnceLoseNothing) {
    constexpr int kThreads = 6, kValues = 40;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            HKEY key = Create(L"software\\Threads");  // each thread its own handle
            for (int i = 0; i < kValues; ++i) {
                std::wstring name = L"t" + std::to_wstring(t) + L"v" + std::to_wstring(i);
                EXPECT_EQ(SetDword(key, name, t * 1000 + i), 0);
                DWORD read = 0;
                EXPECT_EQ(GetDword(key, name, &read), 0);
                EXPECT_EQ(read, static_cast<DWORD>(t * 1000 + i));
                wchar_t seen[32];
                DWORD cch = 32;
                LONG result = RegEnumValueW(key, static_cast<DWORD>(i), seen, &cch, nullptr, nullptr, nullptr, nullptr);
                EXPECT_TRUE(result == 0 || result == ERROR_NO_MORE_ITEMS) << result;
            }
            RegCloseKey(key);
        });
    }
    for (auto& thread : threads) thread.join();

    HKEY key = Create(L"software\\Threads");
    for (int t = 0; t < kThreads; ++t)
        for (int i = 0; i < kValues; ++i) {
            DWORD read = 0;
            ASSERT_EQ(GetDword(key, L"t" + std::to_wstring(t) + L"v" + std::to_wstring(i), &read), 0);
            EXPECT_EQ(read, static_cast<DWORD>(t * 1000 + i));
        }
    RegCloseKey(key);
}

TEST(RegistryStorage, AnotherProcessSeesEveryWriteAtOnce) {
    HKEY key = Create(L"software\\Trevanix\\Nimbrel");
    ASSERT_EQ(SetDword(key, L"Scan Period", 7), 0);
    std::string output;
    ASSERT_EQ(testsupport::RunCommand(Tool("get 'software\\Trevanix\\Nimbrel' 'Scan Period'"), &output), 0);
    EXPECT_EQ(output, "7 (0x00000007)\n");

    // ...and the other way round, through a handle opened before.
    ASSERT_EQ(testsupport::RunCommand(Tool("set software/Trevanix/Nimbrel 'Reconnection Timeout' dword 30")), 0);
    DWORD read = 0;
    ASSERT_EQ(GetDword(key, L"Reconnection Timeout", &read), 0);
    EXPECT_EQ(read, 30u);
    ASSERT_EQ(testsupport::RunCommand(Tool("delete-key software/Trevanix")), 0);
    EXPECT_EQ(GetDword(key, L"Scan Period", &read), ERROR_KEY_DELETED);
    RegCloseKey(key);
}

// The child writes values one by one, tells the parent once `kCommitted` are in, and goes on
// writing until it is killed in the middle of whatever it is doing.
TEST(RegistryStorage, AKilledWriterLosesNothingItHadWritten) {
    constexpr int kCommitted = 200;
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t parent = getpid();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(ready[0]);
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"software\\Killed", 0, nullptr, 0, 0, nullptr, &key, nullptr) != 0)
            _exit(1);
        for (int i = 0; i < kCommitted; ++i)
            if (SetDword(key, L"v" + std::to_wstring(i), i) != 0) _exit(1);
        if (write(ready[1], "x", 1) != 1) _exit(1);
        for (DWORD i = 0; getppid() == parent; ++i) SetDword(key, L"extra" + std::to_wstring(i % 64), i);
        _exit(0);  // orphaned: the test is gone
    }
    close(ready[1]);
    char signal = 0;
    ASSERT_EQ(read(ready[0], &signal, 1), 1) << "the writer failed before writing everything";
    close(ready[0]);
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"software\\Killed", 0, KEY_READ, &key), 0);
    for (int i = 0; i < kCommitted; ++i) {
        DWORD value = 0;
        ASSERT_EQ(GetDword(key, L"v" + std::to_wstring(i), &value), 0) << i;
        EXPECT_EQ(value, static_cast<DWORD>(i));
    }
    const DWORD one = 1;
    EXPECT_EQ(RegSetValueExW(key, L"after", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), 0);
    EXPECT_EQ(RegFlushKey(key), 0);
    RegCloseKey(key);
}

TEST(RegistryStorage, ADamagedFileGivesErrorsNotCrashes) {
    {
        std::ofstream file(platform::NimbrelHome() / "registry.db", std::ios::binary);
        file << "This is not a registry, it is a shopping list.\n";
        for (int i = 0; i < 500; ++i) file << "eggs, milk, batteries\n";
    }
    auto isFileError = [](LONG result) {
        return result == ERROR_BADDB || result == ERROR_CANTOPEN || result == ERROR_CANTREAD ||
               result == ERROR_CANTWRITE;
    };
    HKEY key = nullptr;
    EXPECT_PRED1(isFileError,
                 RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"software", 0, nullptr, 0, 0, nullptr, &key, nullptr));
    EXPECT_EQ(key, nullptr);
    EXPECT_PRED1(isFileError, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"software", 0, 0, &key));
    DWORD size = 0;
    EXPECT_PRED1(isFileError, RegQueryValueExW(HKEY_LOCAL_MACHINE, L"v", nullptr, nullptr, nullptr, &size));
    EXPECT_PRED1(isFileError, SetDword(HKEY_LOCAL_MACHINE, L"v", 1));
    wchar_t name[8];
    DWORD cch = 8;
    EXPECT_PRED1(isFileError, RegEnumKeyExW(HKEY_LOCAL_MACHINE, 0, name, &cch, nullptr, nullptr, nullptr, nullptr));
    EXPECT_PRED1(isFileError, RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"software"));
    EXPECT_PRED1(isFileError, RegFlushKey(HKEY_LOCAL_MACHINE));

    EXPECT_EQ(testsupport::RunCommand(Tool("get software v 2>/dev/null")), 1);
    EXPECT_EQ(testsupport::RunCommand(Tool("set software v dword 1 2>/dev/null")), 1);
}

}  // namespace
