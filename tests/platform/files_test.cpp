#include <gtest/gtest.h>

#include <cstring>

#include "platform/kernel/kernel.h"
#include "platform/kernel/paths.h"
#include "platform/mfc/cstring.h"

namespace {

TEST(Paths, HandheldPathsLiveUnderTheFileRootAndNativePathsStayAsTheyAre) {
    auto root = platform::FileRoot();
    EXPECT_EQ(*platform::MapPath(L"\\Temp\\a.txt"), root / "Temp" / "a.txt");
    EXPECT_EQ(*platform::MapPath(L"\\My Documents\\b.jpg"), root / "My Documents" / "b.jpg");
    EXPECT_EQ(*platform::MapPath(L"/tmp/x/y.txt"), std::filesystem::path("/tmp/x/y.txt"));
    EXPECT_EQ(*platform::MapPath(L"\\Temp\\.\\\\a.txt"), root / "Temp" / "a.txt");
    EXPECT_EQ(*platform::MapPath(L"\\Tëmp\\ü.txt"), root / "T\xc3\xabmp" / "\xc3\xbc.txt");
}

TEST(Paths, NoHandheldPathEscapesTheRoot) {
    for (const wchar_t* path : {L"\\..\\etc\\passwd", L"\\Temp\\..\\..\\x", L"..", L"\\Temp/../../x", L"a\\.."}) {
        EXPECT_FALSE(platform::MapPath(path).has_value()) << CString(path).ToUtf8();
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    EXPECT_FALSE(platform::MapPath(L"").has_value());
    EXPECT_FALSE(platform::MapPath(L"COM5:").has_value());
    EXPECT_EQ(CreateFileW(L"\\..\\escape.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST(Files, WriteReadSizeAndDelete) {
    ASSERT_TRUE(CreateDirectoryW(L"\\Temp", nullptr));
    EXPECT_FALSE(CreateDirectoryW(L"\\Temp", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    HANDLE file = CreateFileW(L"\\Temp\\a.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "hello", 5, &written, nullptr));
    EXPECT_EQ(written, 5u);
    CloseHandle(file);

    file = CreateFileW(L"\\Temp\\a.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(file, nullptr), 5u);
    char buffer[16] = {};
    DWORD read = 0;
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 5u);
    EXPECT_STREQ(buffer, "hello");
    ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    EXPECT_EQ(read, 0u);  // end of file
    CloseHandle(file);

    EXPECT_EQ(GetFileAttributesW(L"\\Temp"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(DeleteFileW(L"\\Temp\\a.txt"));
    EXPECT_FALSE(DeleteFileW(L"\\Temp\\a.txt"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(Files, OpeningMissingFilesAndFoldersFails) {
    EXPECT_EQ(CreateFileW(L"\\nothing.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(CreateFileW(L"\\no\\folder.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    HANDLE file = CreateFileW(L"\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(CreateFileW(L"\\new.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
}

}  // namespace
