// The text form: export then import gives back every byte, and bad text names its line.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/nimbrel-reg/registry_text.h"

namespace {

using platform::registry::RegKey;
using platform::registry::RegValue;

RegValue Raw(const std::wstring& name, DWORD type, std::vector<BYTE> data) { return {name, type, std::move(data)}; }

// Every key under `path` by its full path, with its values.
void Snapshot(const std::wstring& path, std::map<std::wstring, std::vector<RegValue>>* keys) {
    RegKey key;
    ASSERT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, path, &key), 0) << path;
    ASSERT_EQ(key.Values(&(*keys)[path]), 0);
    std::vector<std::wstring> subkeys;
    ASSERT_EQ(key.Subkeys(&subkeys), 0);
    for (const auto& name : subkeys) Snapshot(path + L"\\" + name, keys);
}

std::string Export(const std::vector<std::wstring>& path) {
    std::ostringstream out;
    EXPECT_EQ(nimbrel_reg::ExportText(path, out), 0);
    return out.str();
}

LONG Import(const std::string& text) {
    std::istringstream in(text);
    std::vector<nimbrel_reg::TextChange> changes;
    nimbrel_reg::TextError error;
    EXPECT_TRUE(nimbrel_reg::ParseText(in, &changes, &error)) << error.line << ": " << error.message;
    return nimbrel_reg::ApplyText(changes);
}

TEST(RegistryText, ExportThenImportGivesBackEveryByte) {
    using platform::registry::MultiStringData;
    using platform::registry::StringData;
    const std::vector<std::pair<std::wstring, std::vector<RegValue>>> tree = {
        {L"software\\Round",
         {Raw(L"", REG_SZ, StringData(L"default")),
          Raw(L"say \"hi\" \\ there", REG_SZ, StringData(L"line1\nline2\t\"q\" \\ \x01 \U0001F600 Ünï")),
          Raw(L"empty", REG_SZ, StringData(L"")),
          Raw(L"unterminated", REG_SZ, {'a', 0, 'b', 0}),
          Raw(L"odd size", REG_SZ, {'a', 0, 'b'}),
          Raw(L"inner zero", REG_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0}),
          Raw(L"expand", REG_EXPAND_SZ, StringData(L"%HOME%\\x")),
          Raw(L"multi", REG_MULTI_SZ, MultiStringData({L"x", L"", L"y, \"z\""})),
          Raw(L"no strings", REG_MULTI_SZ, MultiStringData({})),
          Raw(L"dword", REG_DWORD, {5, 0, 0, 0}),
          Raw(L"address", REG_DWORD, {0xAB, 0x78, 0x56, 0x34, 0x12, 0x7F, 0, 0}),
          Raw(L"pin", REG_BINARY, {'1', '2', '3', '4'}),
          Raw(L"nothing", REG_BINARY, {}),
          Raw(L"qword", 11, {1, 2, 3, 4, 5, 6, 7, 8}),
          Raw(L"none", REG_NONE, {0xFF})}},
        {L"software\\Round\\-dash", {Raw(L"v", REG_DWORD, {1, 0, 0, 0})}},
        {L"software\\Round\\HKLM", {}},
        {L"software\\Round\\a]b [c] x/y Ünï", {Raw(L"=", REG_SZ, StringData(L"]"))}},
    };
    for (const auto& [path, values] : tree) {
        RegKey key;
        ASSERT_EQ(RegKey::Create(HKEY_LOCAL_MACHINE, path, &key), 0);
        for (const auto& value : values) ASSERT_EQ(key.Write(value), 0);
    }
    std::map<std::wstring, std::vector<RegValue>> before, after;
    Snapshot(L"software\\Round", &before);
    for (const auto& [path, values] : tree) EXPECT_EQ(before[path], values) << path;

    std::string text = Export({L"software", L"Round"});
    EXPECT_NE(text.find("[software\\Round\\HKLM]"), std::string::npos);  // not mistaken for the root
    EXPECT_NE(text.find("\"dword\"=dword:00000005\n"), std::string::npos);
    EXPECT_NE(text.find("\"pin\"=hex:31,32,33,34\n"), std::string::npos);
    ASSERT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"software\\Round"), 0);

    ASSERT_EQ(Import(text), 0);
    Snapshot(L"software\\Round", &after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(Export({L"software", L"Round"}), text);
}

TEST(RegistryText, HandWrittenTextIsAccepted) {
    ASSERT_EQ(Import("\xEF\xBB\xBF; settings\r\n"
                     "[HKEY_LOCAL_MACHINE\\software\\Trevanix\\Nimbrel]\r\n"
                     "  \"Scan Period\" = dword:A\r\n"
                     "# another comment\n"
                     "\"Old\"=\"x\"\n"
                     "\"Old\"=-\n"
                     "\"pin\"=hex: 31 , 3A,ff\n"
                     "[software\\Trevanix\\Gone\\Deep]\n"
                     "[-software\\Trevanix\\Gone]\n"),
              0);
    RegKey key;
    ASSERT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, L"software\\Trevanix\\Nimbrel", &key), 0);
    std::vector<RegValue> values;
    ASSERT_EQ(key.Values(&values), 0);
    EXPECT_EQ(values, (std::vector<RegValue>{Raw(L"Scan Period", REG_DWORD, {10, 0, 0, 0}),
                                             Raw(L"pin", REG_BINARY, {0x31, 0x3A, 0xFF})}));
    EXPECT_EQ(RegKey::Open(HKEY_LOCAL_MACHINE, L"software\\Trevanix\\Gone", &key), ERROR_FILE_NOT_FOUND);
}

TEST(RegistryText, BadTextNamesItsLine) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"\"v\"=dword:1\n", 1},  // a value before any key
        {"[a]\n\"v\"=dword:123456789\n", 2},
        {"[a]\n\n; comment\n\"v\"=hex:1\n", 4},
        {"[a]\n\"v\"=hex:31,,32\n", 2},
        {"[a]\n\"v\"=hex(zz):00\n", 2},
        {"[a]\n\"v\"=\"unterminated\n", 2},
        {"[a]\n\"v\"=\"x\" trailing\n", 2},
        {"[a]\n\"v\"=multi:\"a\",\n", 2},
        {"[a]\n\"v\\q\"=\"x\"\n", 2},
        {"[a]\n\"v\" \"x\"\n", 2},
        {"[a]\n\"v\"=word:1\n", 2},
        {"[a]\n[-a]\n\"v\"=dword:1\n", 3},  // the key it would go to is being deleted
        {"[-HKLM]\n", 1},
        {"[a\n", 1},
        {"garbage\n", 1},
        // Names the registry would cut at the NUL, reaching another key or value.
        {std::string("[-software\0\\Trevanix]\n", 22), 1},
        {"[a]\n\"Keep\\x00 me\"=-\n", 2},
    };
    for (const auto& [text, line] : cases) {
        std::istringstream in(text);
        std::vector<nimbrel_reg::TextChange> changes;
        nimbrel_reg::TextError error;
        EXPECT_FALSE(nimbrel_reg::ParseText(in, &changes, &error)) << text;
        EXPECT_EQ(error.line, line) << text;
        EXPECT_FALSE(error.message.empty());
    }
}

TEST(RegistryText, KeyNamesThatCannotBeWrittenAreReported) {
    RegKey key;
    ASSERT_EQ(RegKey::Create(HKEY_LOCAL_MACHINE, L"software\\two\nlines", &key), 0);
    std::ostringstream out;
    EXPECT_EQ(nimbrel_reg::ExportText({L"software"}, out), ERROR_INVALID_NAME);
    EXPECT_EQ(nimbrel_reg::ExportText({L"software", L"missing"}, out), ERROR_FILE_NOT_FOUND);
}

}  // namespace
