// Keys: creation, paths, enumeration, deletion of whole subtrees and handle errors.
#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/registry/registry.h"

namespace {

HKEY Create(HKEY parent, LPCWSTR path, DWORD* disposition = nullptr) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(parent, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, disposition), 0) << path;
    return key;
}

LONG SetDword(HKEY key, LPCWSTR name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// Walks an enumeration by index until it stops; the names seen and the final result.
template <typename Enumerate>
LONG Walk(Enumerate enumerate, std::vector<std::wstring>* names) {
    for (DWORD index = 0;; ++index) {
        wchar_t name[64];
        DWORD cch = 64;
        LONG result = enumerate(index, name, &cch);
        if (result != ERROR_SUCCESS) return result;
        EXPECT_EQ(cch, std::wcslen(name));
        names->emplace_back(name);
    }
}

std::vector<std::wstring> Subkeys(HKEY key) {
    std::vector<std::wstring> names;
    EXPECT_EQ(Walk([key](DWORD i, wchar_t* name, DWORD* cch) {
                  return RegEnumKeyExW(key, i, name, cch, nullptr, nullptr, nullptr, nullptr);
              }, &names),
              ERROR_NO_MORE_ITEMS);
    return names;
}

TEST(RegistryKeys, CreateOpensExistingKeysAndToleratesStraySeparators) {
    DWORD disposition = 0;
    HKEY made = Create(HKEY_LOCAL_MACHINE, L"software\\Trevanix\\Nimbrel", &disposition);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(SetDword(made, L"v", 7), 0);

    HKEY again = Create(HKEY_LOCAL_MACHINE, L"\\SOFTWARE\\\\trevanix\\Nimbrel\\", &disposition);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_NE(again, made);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(again, L"v", nullptr, nullptr, nullptr, &size), 0);

    HKEY opened = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Trevanix\\NIMBREL", 0, KEY_READ, &opened), 0);
    EXPECT_EQ(RegQueryValueExW(opened, L"v", nullptr, nullptr, nullptr, &size), 0);
    HKEY missing = made;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"software\\Nope", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);

    // The first spelling stays, and the roots are separate trees.
    HKEY software = Create(HKEY_LOCAL_MACHINE, L"software");
    EXPECT_EQ(Subkeys(software), std::vector<std::wstring>{L"Trevanix"});
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"software\\Trevanix", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    for (HKEY key : {made, again, opened, software}) EXPECT_EQ(RegCloseKey(key), 0);
}

TEST(RegistryKeys, EnumerationSeesEveryItemOnceThenEnds) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, L"software\\Enum");
    std::vector<std::wstring> written;
    for (int i = 0; i < 25; ++i) {
        written.push_back(L"value" + std::to_wstring(i));
        ASSERT_EQ(SetDword(key, written.back().c_str(), i), 0);
    }
    ASSERT_EQ(SetDword(key, L"VALUE3", 99), 0);  // rewriting keeps its place
    std::vector<std::wstring> seen;
    EXPECT_EQ(Walk([key](DWORD i, wchar_t* name, DWORD* cch) {
                  return RegEnumValueW(key, i, name, cch, nullptr, nullptr, nullptr, nullptr);
              }, &seen),
              ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(seen, written);
    wchar_t name[64];
    DWORD cch = 64;
    EXPECT_EQ(RegEnumValueW(key, 1000, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

    // Data comes with the name, sized as by RegQueryValueExW.
    DWORD type = 0, data = 0, size = sizeof data;
    ASSERT_EQ(RegEnumValueW(key, 3, name, &cch, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size), 0);
    EXPECT_STREQ(name, L"value3");
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(data, 99u);

    // Subkeys: direct children only, in creation order.
    for (LPCWSTR path : {L"b", L"a\\deep\\deeper", L"c", L"b\\inner"}) RegCloseKey(Create(key, path));
    EXPECT_EQ(Subkeys(key), (std::vector<std::wstring>{L"b", L"a", L"c"}));
    RegCloseKey(key);
}

TEST(RegistryKeys, NameBuffersMustHoldTheTerminator) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, L"software\\Names");
    ASSERT_EQ(SetDword(key, L"twelve chars", 1), 0);
    RegCloseKey(Create(key, L"Sub12345"));

    wchar_t name[16] = {};
    DWORD cch = 12;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(cch, 13u);
    ASSERT_EQ(RegEnumValueW(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(cch, 12u);
    EXPECT_STREQ(name, L"twelve chars");

    cch = 8;
    EXPECT_EQ(RegEnumKeyExW(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(cch, 9u);
    wchar_t cls[4] = L"xyz";
    DWORD cchClass = 4;
    ASSERT_EQ(RegEnumKeyExW(key, 0, name, &cch, nullptr, cls, &cchClass, nullptr), 0);
    EXPECT_STREQ(name, L"Sub12345");
    EXPECT_EQ(cchClass, 0u);
    EXPECT_EQ(cls[0], L'\0');
    RegCloseKey(key);
}

TEST(RegistryKeys, DeletingAKeyTakesItsWholeSubtree) {
    HKEY nimbrel = Create(HKEY_LOCAL_MACHINE, L"software\\Nimbrel");
    HKEY deep = Create(nimbrel, L"Devices\\0012ab34cd56\\Services");
    ASSERT_EQ(SetDword(deep, L"v", 1), 0);
    HKEY sibling = Create(nimbrel, L"Settings");
    ASSERT_EQ(SetDword(sibling, L"v", 2), 0);

    EXPECT_EQ(RegDeleteKeyW(nimbrel, L"DEVICES"), 0);
    HKEY opened = nullptr;
    EXPECT_EQ(RegOpenKeyExW(nimbrel, L"Devices", 0, KEY_READ, &opened), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(nimbrel, L"Devices\\0012ab34cd56\\Services", 0, KEY_READ, &opened), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(Subkeys(nimbrel), std::vector<std::wstring>{L"Settings"});
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(sibling, L"v", nullptr, nullptr, nullptr, &size), 0);
    EXPECT_EQ(RegDeleteKeyW(nimbrel, L"Devices"), ERROR_FILE_NOT_FOUND);

    // A handle to a deleted key stays a handle but finds its key gone, even once a key of
    // the same name exists again.
    HKEY recreated = Create(nimbrel, L"Devices\\0012ab34cd56\\Services");
    EXPECT_EQ(RegQueryValueExW(recreated, L"v", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(deep, L"v", nullptr, nullptr, nullptr, &size), ERROR_KEY_DELETED);
    EXPECT_EQ(SetDword(deep, L"v", 3), ERROR_KEY_DELETED);
    wchar_t name[8];
    DWORD cch = 8;
    EXPECT_EQ(RegEnumValueW(deep, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    HKEY child = nullptr;
    EXPECT_EQ(RegCreateKeyExW(deep, L"x", 0, nullptr, 0, 0, nullptr, &child, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(deep), 0);

    // An empty subkey deletes the key itself; a root cannot go.
    EXPECT_EQ(RegDeleteKeyW(sibling, L""), 0);
    EXPECT_EQ(SetDword(sibling, L"v", 1), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"\\"), ERROR_ACCESS_DENIED);
    for (HKEY key : {nimbrel, sibling, recreated}) RegCloseKey(key);
}

TEST(RegistryKeys, UnknownAndClosedHandlesAreRefused) {
    HKEY key = Create(HKEY_LOCAL_MACHINE, L"software\\Handles");
    ASSERT_EQ(RegCloseKey(key), 0);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);

    const HKEY bogus = reinterpret_cast<HKEY>(std::uintptr_t{0xDEADBEEF});
    for (HKEY bad : {key, bogus, static_cast<HKEY>(nullptr)}) {
        DWORD size = 0, type = 0;
        wchar_t name[8];
        DWORD cch = 8;
        HKEY result = nullptr;
        EXPECT_EQ(SetDword(bad, L"v", 1), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegQueryValueExW(bad, L"v", nullptr, &type, nullptr, &size), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegEnumValueW(bad, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegEnumKeyExW(bad, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteValueW(bad, L"v"), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegDeleteKeyW(bad, L"x"), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegOpenKeyExW(bad, L"x", 0, 0, &result), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegCreateKeyExW(bad, L"x", 0, nullptr, 0, 0, nullptr, &result, nullptr), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegFlushKey(bad), ERROR_INVALID_HANDLE);
        EXPECT_EQ(RegCloseKey(bad), ERROR_INVALID_HANDLE);
    }

    // Closing a root changes nothing.
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), 0);
    EXPECT_EQ(SetDword(HKEY_LOCAL_MACHINE, L"at the root", 1), 0);
    EXPECT_EQ(RegFlushKey(HKEY_LOCAL_MACHINE), 0);
}

}  // namespace
