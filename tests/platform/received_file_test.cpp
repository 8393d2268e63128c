// Objects a remote device sends into a folder of ours: hostile names stay inside it, nothing is
// overwritten, and only complete objects are left.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/obex/server/received_file.h"
#include "support/tools.h"

namespace {

namespace fs = std::filesystem;
using obex::ReceivedFile;
using obex::StoredName;

struct Folder {
    Folder() : path(fs::temp_directory_path() / ("received-" + std::to_string(getpid()))) { fs::create_directories(path); }
    ~Folder() { fs::remove_all(path); }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path path;
};

// Receives `bytes` as `name`; the stored path, or empty when it failed.
fs::path Receive(const fs::path& folder, std::wstring_view name, const std::string& bytes) {
    DWORD error = 0;
    auto file = ReceivedFile::Begin(folder, name, bytes.size(), &error);
    if (!file) return {};
    EXPECT_EQ(file->Write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0u);
    fs::path stored;
    EXPECT_EQ(file->Complete(&stored), 0u);
    return stored;
}

TEST(ReceivedFile, AHostileNameKeepsOnlyItsLastCleanComponentCutToFit) {
    EXPECT_EQ(StoredName(L"../../etc/passwd"), "passwd");
    EXPECT_EQ(StoredName(L"C:\\Users\\x\\photo.jpg"), "photo.jpg");
    EXPECT_EQ(StoredName(L"we\u0001ird\u007f\u0085.txt"), "weird.txt");
    EXPECT_EQ(StoredName(L"Gr\u00fc\u00dfe.txt"), "Gr\xc3\xbc\xc3\x9f" "e.txt");  // UTF-8 kept
    for (const wchar_t* none : {L"", L".", L"..", L"dir/", L"a/..", L"\u0001\u0002"}) EXPECT_FALSE(StoredName(none)) << none;
    // 300 two-byte characters: cut between characters, the extension kept.
    const auto cut = StoredName(std::wstring(300, L'\u00e9') + L".mp3");
    ASSERT_TRUE(cut);
    EXPECT_LE(cut->size(), obex::kMaxStoredNameBytes);
    EXPECT_EQ(cut->substr(cut->size() - 4), ".mp3");
    EXPECT_EQ((cut->size() - 4) % 2, 0u);
}

TEST(ReceivedFile, NothingIsOverwrittenAndOnlyCompleteObjectsAreLeft) {
    Folder folder;
    std::ofstream(folder.path / "notes.txt") << "mine";
    fs::create_symlink("/etc/hostname", folder.path / "link.txt");
    EXPECT_EQ(Receive(folder.path, L"notes.txt", "theirs").filename(), "notes (1).txt");
    EXPECT_EQ(Receive(folder.path, L"../notes.txt", "again").filename(), "notes (2).txt");
    EXPECT_EQ(Receive(folder.path, L"link.txt", "not through").filename(), "link (1).txt");
    EXPECT_EQ(testsupport::ReadFile(folder.path / "notes.txt"), "mine");
    EXPECT_EQ(testsupport::ReadFile(folder.path / "notes (1).txt"), "theirs");
    EXPECT_EQ(fs::read_symlink(folder.path / "link.txt"), "/etc/hostname");

    // Two objects of one name at once each get a name of their own.
    DWORD error = 0;
    auto first = ReceivedFile::Begin(folder.path, L"a.bin", 1, &error);
    auto second = ReceivedFile::Begin(folder.path, L"a.bin", 1, &error);
    ASSERT_TRUE(first && second);
    const std::uint8_t byte = 'x';
    ASSERT_EQ(first->Write(&byte, 1), 0u);
    ASSERT_EQ(second->Write(&byte, 1), 0u);
    fs::path one, two;
    ASSERT_EQ(second->Complete(&two), 0u);
    ASSERT_EQ(first->Complete(&one), 0u);
    EXPECT_NE(one, two);

    // Past its length, short of it, or given up: nothing stays.
    auto overlong = ReceivedFile::Begin(folder.path, L"over.bin", 2, &error);
    ASSERT_TRUE(overlong);
    const std::uint8_t three[3] = {1, 2, 3};
    EXPECT_EQ(overlong->Write(three, 3), static_cast<DWORD>(ERROR_INVALID_DATA));
    fs::path none;
    EXPECT_EQ(overlong->Complete(&none), static_cast<DWORD>(ERROR_INVALID_DATA));
    overlong.reset();
    auto abandoned = ReceivedFile::Begin(folder.path, L"gone.bin", std::nullopt, &error);
    ASSERT_TRUE(abandoned);
    ASSERT_EQ(abandoned->Write(three, 3), 0u);
    abandoned.reset();
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"a (1).bin", "a.bin", "link (1).txt", "link.txt", "notes (1).txt",
                                                        "notes (2).txt", "notes.txt"}));

    // More than the disk holds is refused before a byte is written; so is a name with nothing left.
    EXPECT_FALSE(ReceivedFile::Begin(folder.path, L"huge.bin", std::uint64_t{1} << 62, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_FALSE(ReceivedFile::Begin(folder.path, L"..", 1, &error));
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_NAME));
}

}  // namespace
