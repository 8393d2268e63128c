// Names ignore case by one fold, the same under every locale and for files older builds wrote.
#include <gtest/gtest.h>

#include <clocale>
#include <sqlite3.h>
#include <string>

#include "platform/kernel/paths.h"
#include "platform/registry/registry.h"

namespace {

HKEY Open(LPCWSTR path) {
    HKEY key = nullptr;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS ? key : nullptr;
}

bool Exists(LPCWSTR path) {
    HKEY key = Open(path);
    if (key) RegCloseKey(key);
    return key != nullptr;
}

TEST(RegistryNames, AKeyIsFoundUnderAnyCaseWhateverTheLocale) {
    std::setlocale(LC_ALL, "C");  // the C library's towlower would fold ASCII only here
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\ÉCOLE\\ΣΟΦΙΑΣ", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    ASSERT_EQ(RegSetValueExW(key, L"Ärger µ", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
    RegCloseKey(key);

    for (const char* locale : {"C", "C.UTF-8", "tr_TR.UTF-8"}) {
        std::setlocale(LC_ALL, locale);  // may be missing; "C" stays then
        EXPECT_TRUE(Exists(L"software\\école\\σοφιας")) << locale;
        EXPECT_TRUE(Exists(L"SOFTWARE\\ÉCOLE\\ΣΟΦΙΑΣ")) << locale;
        EXPECT_TRUE(Exists(L"sOfTwArE\\éCoLe\\ΣοφιαΣ")) << locale;
        EXPECT_FALSE(Exists(L"software\\ecole\\σοφια")) << locale;
        key = Open(L"software\\école\\σοφιας");
        ASSERT_NE(key, nullptr);
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExW(key, L"äRGER Μ", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS) << locale;
        EXPECT_EQ(RegQueryValueExW(key, L"ÄRGER μ", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS) << locale;
        RegCloseKey(key);
    }
    std::setlocale(LC_ALL, "C");
}

// Rows as an older build stored them: folded by the C library's towlower, which leaves final
// sigma, the micro sign and the long s as they are.
void WriteOldFile() {
    const std::string path = (platform::NimbrelHome() / "registry.db").string();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const char* sql = R"sql(
CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER, name TEXT NOT NULL,
                  folded TEXT NOT NULL, UNIQUE(parent, folded));
CREATE TABLE vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL, folded TEXT NOT NULL,
                  type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, folded));
INSERT INTO keys(id, parent, name, folded) VALUES
    (1, NULL, 'HKEY_CLASSES_ROOT', 'hkey_classes_root'), (2, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user'),
    (3, NULL, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine'), (4, NULL, 'HKEY_USERS', 'hkey_users'),
    (5, 3, 'Λόγος', 'λόγος'), (6, 5, 'µ-Meter', 'µ-meter'), (7, 5, 'μ-meter', 'μ-meter');
INSERT INTO vals(key, name, folded, type, data) VALUES
    (5, 'ſtraße', 'ſtraße', 4, x'07000000'), (5, 'Plain', 'plain', 4, x'08000000');
)sql";
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

DWORD ReadDword(HKEY key, LPCWSTR name) {
    DWORD value = 0, size = sizeof value;
    EXPECT_EQ(RegQueryValueOfTypeW(key, name, REG_DWORD, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS)
        << name;
    return value;
}

TEST(RegistryNames, AFileWithOlderFoldsIsReFoldedOnceOnOpening) {
    WriteOldFile();
    HKEY key = Open(L"ΛΌΓΟΣ");  // the stored final ς now folds to σ
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(ReadDword(key, L"STRAßE"), 7u);  // and the long s to s
    EXPECT_EQ(ReadDword(key, L"PLAIN"), 8u);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"STRASSE", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);

    // "µ-Meter" and "μ-meter" were two keys and are now one name: the one already holding
    // the new fold answers, and both are still listed.
    EXPECT_TRUE(Exists(L"λόγος\\µ-METER"));
    key = Open(L"λόγος");
    ASSERT_NE(key, nullptr);
    for (DWORD index : {0u, 1u}) {
        wchar_t name[32];
        DWORD cch = 32;
        ASSERT_EQ(RegEnumKeyExW(key, index, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        EXPECT_STREQ(name, index == 0 ? L"µ-Meter" : L"μ-meter");
    }
    RegCloseKey(key);

    // New keys take the new fold at once.
    HKEY created = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"λόγος\\Μ-Meter", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                              &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, DWORD{REG_OPENED_EXISTING_KEY});
    RegCloseKey(created);
}

}  // namespace
