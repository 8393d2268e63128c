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

LONG Query(LPCWSTR path, LPCWSTR name) {
    HKEY key = Open(path);
    DWORD size = 0;
    LONG result = key ? RegQueryValueExW(key, name, nullptr, nullptr, nullptr, &size) : ERROR_PATH_NOT_FOUND;
    RegCloseKey(key);
    return result;
}

TEST(RegistryNames, AKeyIsFoundUnderAnyCaseWhateverTheLocale) {
    std::setlocale(LC_ALL, "C");  // the C library would fold ASCII only here
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\ÉCOLE\\ΣΟΦΙΑΣ", 0, nullptr, 0, 0, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const DWORD one = 1;
    ASSERT_EQ(RegSetValueExW(key, L"Ärger µ", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), ERROR_SUCCESS);
    RegCloseKey(key);
    for (const char* locale : {"C", "C.UTF-8", "tr_TR.UTF-8"}) {  // a missing one leaves the last
        std::setlocale(LC_ALL, locale);
        EXPECT_EQ(Query(L"software\\école\\σοφιας", L"äRGER Μ"), ERROR_SUCCESS) << locale;
        EXPECT_EQ(Query(L"SOFTWARE\\ÉCOLE\\ΣοφιαΣ", L"ÄRGER μ"), ERROR_SUCCESS) << locale;
        EXPECT_EQ(Query(L"software\\ecole\\σοφιας", L"ärger µ"), ERROR_PATH_NOT_FOUND) << locale;
    }
    std::setlocale(LC_ALL, "C");
}

// Rows as older builds stored them, folded by the C library's towlower, which leaves the
// final sigma, the micro sign and the long s alone.
TEST(RegistryNames, AFileWithOlderFoldsIsReFoldedOnOpening) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((platform::NimbrelHome() / "registry.db").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, R"sql(
CREATE TABLE keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER, name TEXT NOT NULL, folded TEXT NOT NULL,
                  UNIQUE(parent, folded));
CREATE TABLE vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL, name TEXT NOT NULL, folded TEXT NOT NULL,
                  type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, folded));
INSERT INTO keys VALUES (3, NULL, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine'), (5, 3, 'Λόγος', 'λόγος'),
                        (6, 5, 'µ-Meter', 'µ-meter'), (7, 5, 'μ-meter', 'μ-meter');
INSERT INTO vals(key, name, folded, type, data) VALUES (5, 'ſtraße', 'ſtraße', 4, x'07000000');
)sql", nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);

    EXPECT_EQ(Query(L"ΛΌΓΟΣ", L"STRAßE"), ERROR_SUCCESS);
    EXPECT_EQ(Query(L"ΛΌΓΟΣ", L"STRASSE"), ERROR_FILE_NOT_FOUND);  // simple folding: ß is no "ss"
    // Two keys the old fold told apart now share a name: the one already holding the new
    // fold answers, and both stay listed.
    HKEY key = Open(L"λόγοσ\\µ-METER");
    ASSERT_NE(key, nullptr);
    RegCloseKey(key);
    key = Open(L"λόγος");
    for (DWORD index : {0u, 1u}) {
        wchar_t name[32];
        DWORD cch = 32;
        ASSERT_EQ(RegEnumKeyExW(key, index, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
        EXPECT_STREQ(name, index == 0 ? L"µ-Meter" : L"μ-meter");
    }
    RegCloseKey(key);
}

}  // namespace
