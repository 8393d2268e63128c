#include <gtest/gtest.h>

#include <type_traits>

#include "engine/frame/cregistry.h"
#include "platform/registry/registry_store.h"

namespace {

TEST(CRegistry, StringsLongerThanTheReadBufferReadAsEmpty) {
    CRegistry registry;
    CString fits(L'x', 255), tooLong(L'y', 300);
    EXPECT_EQ(registry.WriteValueString(L"fits", fits), 1);
    EXPECT_EQ(registry.WriteValueString(L"long", tooLong), 1);
    EXPECT_EQ(registry.ReadValueString(L"fits"), fits);
    EXPECT_EQ(registry.ReadValueString(L"long"), CString());
}

// A remote device's name with emoji is sized in UTF-16 units, so nothing is cut off.
TEST(CRegistry, NamesBeyondTheBmpRoundTripWithTheirUtf16Size) {
    const CString name(L"Ann's 🎧 headset 😀");  // 17 characters, 19 UTF-16 units
    CRegistry registry;
    ASSERT_EQ(registry.WriteValueString(L"0012ab34cd56_Paired", name), 1);
    EXPECT_EQ(registry.ReadValueString(L"0012ab34cd56_Paired"), name);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, CRegistry::kBaseKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"0012ab34cd56_Paired", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 40u);
    RegCloseKey(key);
}

// Discovery makes one for every paired device: reading must not cost a disk sync, and a copy
// would close the key twice.
TEST(CRegistry, OnlyAChangeIsFlushedAndNoCopyIsMade) {
    static_assert(!std::is_copy_constructible_v<CRegistry> && !std::is_copy_assignable_v<CRegistry>);
    const std::uint64_t before = platform::registry::StoreFlushCount();
    {
        CRegistry reader;
        reader.ReadValueString(L"missing");
        reader.ReadValueDword(L"missing");
        EXPECT_EQ(reader.DeleteValue(L"missing"), 0);
    }
    EXPECT_EQ(platform::registry::StoreFlushCount(), before);
    {
        CRegistry writer;
        writer.WriteValueDword(L"n", 1);
        writer.WriteValueString(L"s", L"x");
    }
    EXPECT_EQ(platform::registry::StoreFlushCount(), before + 1);
}

TEST(CRegistry, TypesAreKeptApart) {
    CRegistry registry;
    registry.WriteValueString(L"text", L"5");
    registry.WriteValueDword(L"number", 5);
    EXPECT_EQ(registry.ReadValueDword(L"text"), 0u);
    EXPECT_EQ(registry.ReadValueString(L"number"), CString());
    EXPECT_EQ(registry.ReadValueDword(L"number"), 5u);
    EXPECT_EQ(registry.ReadValueDword(L"missing"), 0u);
}

TEST(CRegistry, EmptyStringIsStoredAsTheTerminatorAlone) {
    {
        CRegistry registry;
        EXPECT_EQ(registry.WriteValueString(L"empty", CString()), 1);
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, CRegistry::kBaseKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegQueryValueExW(key, L"empty", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 2u);
    RegCloseKey(key);
}

TEST(CRegistry, ValuesOutliveTheObjectThatWroteThem) {
    {
        CRegistry writer;
        writer.WriteValueString(L"0012ab34cd56_Paired", L"Phone");
        writer.WriteValueDword(L"0012ab34cd56_Class", 0x5A020C);
    }
    CRegistry reader;
    EXPECT_EQ(reader.ReadValueString(L"0012AB34CD56_PAIRED"), CString(L"Phone"));
    EXPECT_EQ(reader.ReadValueDword(L"0012ab34cd56_Class"), 0x5A020Cu);
    EXPECT_EQ(reader.DeleteValue(L"0012ab34cd56_Class"), 1);
    EXPECT_EQ(reader.DeleteValue(L"0012ab34cd56_Class"), 0);
}

}  // namespace
