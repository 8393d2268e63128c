// The registry file: shared by threads and processes, durable across a kill, and a damaged
// file kept aside and told of rather than written over or crashed on.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sqlite3.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/kernel/paths.h"
#include "platform/registry/registry.h"
#include "platform/registry/registry_damage.h"
#include "support/tools.h"

namespace {

namespace fs = std::filesystem;

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

std::string ReadAll(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteAll(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// 64 KiB of noise, the same for the same seed.
std::string RandomBytes(unsigned seed) {
    std::mt19937 noise(seed);
    std::string bytes(64 * 1024, '\0');
    for (char& byte : bytes) byte = static_cast<char>(noise());
    return bytes;
}

// The damaged registry files kept in the home folder (their logs left out).
std::vector<fs::path> KeptFiles() {
    std::vector<fs::path> kept;
    for (const auto& entry : fs::directory_iterator(platform::NimbrelHome())) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("registry.db.corrupt-") && !name.ends_with("-wal")) kept.push_back(entry.path());
    }
    return kept;
}

// The registry's tables as a file of ours holds them.
constexpr const char* kRegistrySchema = R"sql(
CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER, name TEXT NOT NULL, folded TEXT NOT NULL,
                  UNIQUE(parent, folded));
CREATE TABLE vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL, folded TEXT NOT NULL,
                  type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, folded));
INSERT INTO keys VALUES (3, NULL, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine');
)sql";

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

// A lock file that cannot be made (a folder holds its name) leaves no safe way to move the
// damaged file: it stays as it was, every call fails, and the failure is told.
TEST(RegistryStorage, ADamagedFileThatCannotBeMovedGivesErrorsNotCrashesAndStaysAsItWas) {
    const fs::path home = platform::NimbrelHome();
    {
        std::ofstream file(home / "registry.db", std::ios::binary);
        file << "This is not a registry, it is a shopping list.\n";
        for (int i = 0; i < 500; ++i) file << "eggs, milk, batteries\n";
    }
    const std::string before = ReadAll(home / "registry.db");
    fs::create_directory(home / "registry.db.lock");
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

    const auto report = platform::registry::TakeDamagedFileReport();
    ASSERT_TRUE(report);
    EXPECT_TRUE(report->keptAs.empty());
    EXPECT_EQ(report->Describe(), "The registry file " + (home / "registry.db").string() +
                                      " is damaged (it is not a database) and could not be kept under another name "
                                      "(its lock file " + (home / "registry.db.lock").string() +
                                      " cannot be made); settings can be neither read nor saved.");
    EXPECT_TRUE(ReadAll(home / "registry.db") == before);
    EXPECT_TRUE(KeptFiles().empty());

    std::string output;
    EXPECT_EQ(testsupport::RunCommand(Tool("get software v 2>&1"), &output), 1);
    EXPECT_NE(output.find("nimbrel-reg: The registry file " + (home / "registry.db").string() + " is damaged"),
              std::string::npos) << output;
    EXPECT_EQ(testsupport::RunCommand(Tool("set software v dword 1 2>/dev/null")), 1);
    EXPECT_TRUE(ReadAll(home / "registry.db") == before);
}

// Two damaged files one after the other (the first found by another process, which says so
// as it ends): each is kept under a name of its own and a new file serves at once.
TEST(RegistryStorage, ADamagedFileIsKeptAsideUnderANameOfItsOwnAndANewOneServes) {
    const fs::path home = platform::NimbrelHome();
    const std::string first = RandomBytes(1), second = RandomBytes(2);
    WriteAll(home / "registry.db", first);
    std::string output;
    ASSERT_EQ(testsupport::RunCommand(Tool("set software/Trevanix/Nimbrel 'Scan Period' dword 9 2>&1"), &output), 0);
    EXPECT_NE(output.find("nimbrel-reg: The registry file " + (home / "registry.db").string() +
                          " was damaged (it is not a database) and was kept as " +
                          (home / "registry.db.corrupt-").string()),
              std::string::npos) << output;
    EXPECT_NE(output.find("; starting with empty settings.\n"), std::string::npos) << output;

    // The file replaced whole: a log left beside it would still hold the whole registry.
    for (const char* log : {"registry.db-wal", "registry.db-shm"}) fs::remove(home / log);
    WriteAll(home / "registry.db", second);
    HKEY key = Create(L"software\\Trevanix\\Nimbrel");
    ASSERT_NE(key, nullptr);
    DWORD value = 0;
    EXPECT_EQ(GetDword(key, L"Scan Period", &value), ERROR_FILE_NOT_FOUND) << "a new file starts empty";
    EXPECT_EQ(SetDword(key, L"Scan Period", 5), 0);
    RegCloseKey(key);

    const auto report = platform::registry::TakeDamagedFileReport();
    ASSERT_TRUE(report);
    EXPECT_EQ(report->file, home / "registry.db");
    EXPECT_EQ(report->problem, "it is not a database");
    EXPECT_TRUE(ReadAll(report->keptAs) == second);
    EXPECT_FALSE(platform::registry::TakeDamagedFileReport()) << "told once";
    const std::vector<fs::path> kept = KeptFiles();
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_TRUE(ReadAll(kept[0] == report->keptAs ? kept[1] : kept[0]) == first) << "the first one was not written over";

    output.clear();
    ASSERT_EQ(testsupport::RunCommand(Tool("get software/Trevanix/Nimbrel 'Scan Period' 2>&1"), &output), 0);
    EXPECT_EQ(output, "5 (0x00000005)\n");
}

// SQLite files of other kinds and a registry cut short are no registry either.
TEST(RegistryStorage, AFileHoldingNoWholeRegistryOfOursIsKeptAsideToo) {
    const fs::path home = platform::NimbrelHome();
    const fs::path path = home / "registry.db";
    struct Case {
        const char* sql;
        const char* problem;
        bool truncated;
    };
    const Case cases[] = {
        {"CREATE TABLE contacts(name TEXT, phone TEXT); INSERT INTO contacts VALUES('Ann', '555');",
         "it is a database of some other kind", false},
        {"CREATE TABLE keys(k TEXT, v TEXT); CREATE TABLE vals(x);", "it is a database of some other kind", false},
        {kRegistrySchema, "the database in it is damaged", true},
    };
    for (const Case& made : cases) {
        SCOPED_TRACE(made.sql);
        for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(path.string() + suffix);
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(db, made.sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        if (made.truncated) {
            // Enough values for many pages, then the second half of the file lost.
            ASSERT_EQ(sqlite3_exec(db, R"sql(
WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000)
INSERT INTO vals(key, name, folded, type, data) SELECT 3, 'v' || i, 'v' || i, 3, randomblob(100) FROM n;
)sql", nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
        }
        sqlite3_close(db);
        if (made.truncated) fs::resize_file(path, fs::file_size(path) / 2);
        const std::string before = ReadAll(path);

        std::string output;
        ASSERT_EQ(testsupport::RunCommand(Tool("set software v dword 1 2>&1"), &output), 0);
        const std::string said = " was damaged (" + std::string(made.problem) + ") and was kept as ";
        const auto keptAt = output.find(said);
        ASSERT_NE(keptAt, std::string::npos) << output;
        const auto keptEnd = output.find("; starting with empty settings.", keptAt);
        ASSERT_NE(keptEnd, std::string::npos) << output;
        EXPECT_TRUE(ReadAll(output.substr(keptAt + said.size(), keptEnd - keptAt - said.size())) == before);
        output.clear();
        ASSERT_EQ(testsupport::RunCommand(Tool("get software v 2>&1"), &output), 0);
        EXPECT_EQ(output, "1 (0x00000001)\n");
    }
}

// Processes that find the same damage at once take turns: one moves it, all use the new file.
TEST(RegistryStorage, ProcessesFindingADamagedFileAtOnceSetItAsideOnce) {
    const fs::path home = platform::NimbrelHome();
    WriteAll(home / "registry.db", RandomBytes(3));
    std::string command;
    for (int i = 0; i < 4; ++i) command += Tool("set software v" + std::to_string(i) + " dword " + std::to_string(i)) + " 2>/dev/null & ";
    ASSERT_EQ(testsupport::RunCommand(command + "wait"), 0);
    EXPECT_EQ(KeptFiles().size(), 1u);
    HKEY key = Create(L"software");
    for (int i = 0; i < 4; ++i) {
        DWORD value = 99;
        EXPECT_EQ(GetDword(key, L"v" + std::to_wstring(i), &value), 0) << i;
        EXPECT_EQ(value, static_cast<DWORD>(i));
    }
    RegCloseKey(key);
    EXPECT_FALSE(platform::registry::TakeDamagedFileReport()) << "the file this process opened was whole";
}

}  // namespace
