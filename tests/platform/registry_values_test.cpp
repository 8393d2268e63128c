// Values: byte sizes of every type, names, the default value, deletion and bad arguments.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/registry/registry.h"

namespace {

class RegistryValues : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"software\\Trevanix\\Nimbrel", 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, nullptr),
                  0);
    }
    void TearDown() override { RegCloseKey(key_); }

    // Writes text with its terminator, sized the UTF-16 way.
    LONG SetString(LPCWSTR name, const std::wstring& text, DWORD utf16Units) {
        return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), (utf16Units + 1) * 2);
    }
    // Reads into a buffer of `elements` wchar_t, the way callers size it.
    LONG GetString(LPCWSTR name, std::vector<wchar_t>* buffer, DWORD* cbData, std::size_t elements) {
        buffer->assign(elements, L'x');
        *cbData = static_cast<DWORD>(elements * 2);
        DWORD type = REG_NONE;
        LONG result = RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer->data()), cbData);
        if (result == ERROR_SUCCESS) {
            EXPECT_EQ(type, REG_SZ);
        }
        return result;
    }

    HKEY key_ = nullptr;
};

TEST_F(RegistryValues, StringSizesCountUtf16Bytes) {
    std::wstring text(300, L'a');
    ASSERT_EQ(SetString(L"Long", text, 300), 0);

    DWORD type = REG_NONE, size = 0;
    ASSERT_EQ(RegQueryValueExW(key_, L"Long", nullptr, &type, nullptr, &size), 0);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 602u);

    std::vector<wchar_t> buffer;
    EXPECT_EQ(GetString(L"Long", &buffer, &size, 256), ERROR_MORE_DATA);  // a 512-byte buffer
    EXPECT_EQ(size, 602u);
    EXPECT_EQ(GetString(L"Long", &buffer, &size, 300), ERROR_MORE_DATA);  // no room for the terminator
    EXPECT_EQ(size, 602u);
    ASSERT_EQ(GetString(L"Long", &buffer, &size, 301), 0);  // exact fit
    EXPECT_EQ(size, 602u);
    EXPECT_EQ(std::wstring(buffer.data()), text);

    ASSERT_EQ(SetString(L"Empty", L"", 0), 0);
    ASSERT_EQ(GetString(L"Empty", &buffer, &size, 1), 0);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(buffer[0], L'\0');
}

TEST_F(RegistryValues, StringWithoutTerminatorComesBackAsGiven) {
    ASSERT_EQ(RegSetValueExW(key_, L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"abc"), 6), 0);
    std::vector<wchar_t> buffer;
    DWORD size = 0;
    ASSERT_EQ(GetString(L"Bare", &buffer, &size, 8), 0);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::wstring(buffer.data(), 4), L"abcx");  // nothing written past the stored bytes
}

// An odd size keeps its last byte as the low half of one more element, where the buffer
// holds that element: what is read back re-encodes to every byte written.
TEST_F(RegistryValues, OddSizedStringKeepsItsLastByteWhereTheBufferHoldsIt) {
    ASSERT_EQ(RegSetValueExW(key_, L"Odd", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"ab"), 3), 0);
    std::vector<wchar_t> buffer;
    DWORD size = 0;
    ASSERT_EQ(GetString(L"Odd", &buffer, &size, 3), 0);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(std::wstring(buffer.data(), 3), L"abx");
    // A buffer of 3 bytes holds one element: the odd byte has no room there.
    buffer.assign(2, L'x');
    size = 3;
    ASSERT_EQ(RegQueryValueExW(key_, L"Odd", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &size), 0);
    EXPECT_EQ(std::wstring(buffer.data(), 2), L"ax");
}

TEST_F(RegistryValues, CharactersBeyondTheBmpTakeTwoUtf16Units) {
    const std::wstring text = L"a\U0001F600z";  // 4 UTF-16 units
    ASSERT_EQ(SetString(L"Emoji", text, 4), 0);
    std::vector<wchar_t> buffer;
    DWORD size = 0;
    EXPECT_EQ(GetString(L"Emoji", &buffer, &size, 4), ERROR_MORE_DATA);
    EXPECT_EQ(size, 10u);
    ASSERT_EQ(GetString(L"Emoji", &buffer, &size, 5), 0);
    EXPECT_EQ(std::wstring(buffer.data()), text);
    EXPECT_EQ(buffer[4], L'x');  // three characters and a terminator used four elements
}

// Names of remote devices hold emoji; odd text (lone surrogates) must come back unchanged.
TEST_F(RegistryValues, TextBeyondTheBmpAndLoneSurrogatesComeBackExactly) {
    const std::wstring emoji = L"Ann's 🎧 ☕😀";  // 10 characters, 12 UTF-16 units
    const std::wstring lone{L'a', wchar_t(0xD800), L'b', wchar_t(0xDC00), wchar_t(0xDFFF)};
    EXPECT_EQ(RegStringSize(emoji), 26u);
    EXPECT_EQ(RegStringSize(lone), 12u);
    for (const std::wstring& text : {emoji, lone}) {
        ASSERT_EQ(RegSetValueExW(key_, L"Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 RegStringSize(text)),
                  0);
        DWORD type = REG_NONE, size = 0;
        ASSERT_EQ(RegQueryValueExW(key_, L"Name", nullptr, &type, nullptr, &size), 0);
        EXPECT_EQ(size, RegStringSize(text));
        std::vector<wchar_t> buffer;
        ASSERT_EQ(GetString(L"Name", &buffer, &size, size / 2), 0);
        EXPECT_EQ(std::wstring(buffer.data()), text);
    }
}

TEST_F(RegistryValues, DwordAndBinaryKeepTheirBytes) {
    const DWORD five = 5;
    ASSERT_EQ(RegSetValueExW(key_, L"Scan Period", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&five), 4), 0);
    DWORD type = REG_NONE, read = 0, size = sizeof read;
    ASSERT_EQ(RegQueryValueExW(key_, L"Scan Period", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size), 0);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(read, 5u);

    // An address written as a REG_DWORD of 8 bytes comes back whole.
    const std::uint64_t address = 0x00007F12345678ABull;
    ASSERT_EQ(RegSetValueExW(key_, L"Address", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&address), 8), 0);
    size = 4;
    EXPECT_EQ(RegQueryValueExW(key_, L"Address", nullptr, &type, reinterpret_cast<BYTE*>(&read), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 8u);
    std::uint64_t readAddress = 0;
    ASSERT_EQ(RegQueryValueExW(key_, L"Address", nullptr, &type, reinterpret_cast<BYTE*>(&readAddress), &size), 0);
    EXPECT_EQ(readAddress, address);

    const BYTE pin[] = {'1', 0, '3', 0xFF};
    ASSERT_EQ(RegSetValueExW(key_, L"pin", 0, REG_BINARY, pin, sizeof pin), 0);
    BYTE readPin[8] = {};
    size = sizeof readPin;
    ASSERT_EQ(RegQueryValueExW(key_, L"pin", nullptr, &type, readPin, &size), 0);
    EXPECT_EQ(type, REG_BINARY);
    ASSERT_EQ(size, sizeof pin);
    EXPECT_EQ(std::memcmp(readPin, pin, sizeof pin), 0);

    // Rewriting a value replaces its type too; an empty value is 0 bytes.
    ASSERT_EQ(RegSetValueExW(key_, L"pin", 0, REG_NONE, nullptr, 0), 0);
    ASSERT_EQ(RegQueryValueExW(key_, L"pin", nullptr, &type, nullptr, &size), 0);
    EXPECT_EQ(type, REG_NONE);
    EXPECT_EQ(size, 0u);
}

TEST_F(RegistryValues, NamesIgnoreCaseAndKeepTheFirstSpelling) {
    const DWORD one = 1, two = 2;
    ASSERT_EQ(RegSetValueExW(key_, L"Scan Period", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), 0);
    ASSERT_EQ(RegSetValueExW(key_, L"SCAN PERIOD", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), 4), 0);
    ASSERT_EQ(RegSetValueExW(key_, L"Gerät Ärger", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), 0);
    ASSERT_EQ(RegSetValueExW(key_, L"Устройство", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), 0);

    DWORD read = 0, size = 4;
    ASSERT_EQ(RegQueryValueExW(key_, L"scan period", nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size), 0);
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(RegQueryValueExW(key_, L"GERÄT ärger", nullptr, nullptr, nullptr, &size), 0);
    EXPECT_EQ(RegQueryValueExW(key_, L"устройство", nullptr, nullptr, nullptr, &size), 0);
    EXPECT_EQ(RegQueryValueExW(key_, L"Scan  Period", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

    wchar_t name[32];
    DWORD cch = 32;
    ASSERT_EQ(RegEnumValueW(key_, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_STREQ(name, L"Scan Period");
    EXPECT_EQ(RegEnumValueW(key_, 3, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);
}

TEST_F(RegistryValues, NullAndEmptyNamesAreTheDefaultValue) {
    ASSERT_EQ(RegSetValueExW(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(L"def"), 8), 0);
    wchar_t buffer[8];
    DWORD size = sizeof buffer / 2;
    ASSERT_EQ(RegQueryValueExW(key_, L"", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size), 0);
    EXPECT_STREQ(buffer, L"def");
    EXPECT_EQ(RegDeleteValueW(key_, L""), 0);
    EXPECT_EQ(RegQueryValueExW(key_, nullptr, nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryValues, DeletingAValue) {
    const DWORD one = 1;
    ASSERT_EQ(RegSetValueExW(key_, L"Gone", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), 0);
    EXPECT_EQ(RegDeleteValueW(key_, L"GONE"), 0);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key_, L"Gone", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(key_, L"Gone"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(key_, L"Never"), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryValues, BadArgumentsAreRefusedNotFollowed) {
    const DWORD one = 1;
    ASSERT_EQ(RegSetValueExW(key_, L"v", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), 4), 0);
    BYTE buffer[8];
    DWORD type = REG_NONE;
    EXPECT_EQ(RegQueryValueExW(key_, L"v", nullptr, &type, buffer, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExW(key_, L"v", nullptr, &type, nullptr, nullptr), 0);  // the type alone
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(RegSetValueExW(key_, L"v", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    DWORD cch = 8;
    EXPECT_EQ(RegEnumValueW(key_, 0, nullptr, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    wchar_t name[8];
    EXPECT_EQ(RegEnumValueW(key_, 0, name, nullptr, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumValueW(key_, 0, name, &cch, nullptr, nullptr, buffer, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegEnumKeyExW(key_, 0, nullptr, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCreateKeyExW(key_, L"x", 0, nullptr, 0, 0, nullptr, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegOpenKeyExW(key_, L"x", 0, 0, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(key_, nullptr), ERROR_INVALID_PARAMETER);
}

}  // namespace
