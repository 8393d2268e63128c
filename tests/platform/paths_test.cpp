// Folders Nimbrel makes for itself are private; a run-time folder others could reach is refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/kernel/paths.h"

namespace {

namespace fs = std::filesystem;

unsigned ModeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

bool Refused(const platform::PrivateFolder& folder, const std::string& because) {
    return folder.path.empty() && folder.error.find(because) != std::string::npos;
}

TEST(Paths, NewHomeAndRunTimeFoldersAreForTheUserAlone) {
    const fs::path base = platform::NimbrelHome();
    ::umask(0);
    setenv("NIMBREL_HOME", (base / "new" / "home/").c_str(), 1);
    platform::NimbrelHome();
    EXPECT_EQ(ModeOf(base / "new" / "home"), 0700u);

    setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
    EXPECT_EQ(platform::RuntimeFolder().path, base / "nimbrel");
    EXPECT_EQ(platform::RuntimeFolder().path, base / "nimbrel");  // found again as it is
    EXPECT_EQ(ModeOf(base / "nimbrel"), 0700u);

    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", base.c_str(), 1);
    const fs::path fallback = base / ("nimbrel-run-" + std::to_string(geteuid()));
    EXPECT_EQ(platform::RuntimeFolder().path, fallback);
    EXPECT_EQ(ModeOf(fallback), 0700u);
}

TEST(Paths, ARunTimeFolderOthersCouldReachIsRefusedAndLeftAlone) {
    const fs::path base = platform::NimbrelHome(), folder = base / "nimbrel";
    setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0750), 0);
    platform::PrivateFolder open = platform::RuntimeFolder();
    EXPECT_TRUE(Refused(open, folder.string() + " is open to other users (mode 0750)")) << open.error;
    EXPECT_EQ(ModeOf(folder), 0750u);  // not repaired behind the user's back

    ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);
    EXPECT_NE(platform::PrivateFolderProblem(folder, geteuid() + 1).find("belongs to user"), std::string::npos);
    if (::chown(folder.c_str(), geteuid() + 1, static_cast<gid_t>(-1)) == 0) {  // as root only
        EXPECT_TRUE(Refused(platform::RuntimeFolder(), "belongs to user"));
    }

    // A link, even to a private folder: whoever owns the folder it is in could turn it.
    ASSERT_EQ(::rmdir(folder.c_str()), 0);
    ASSERT_EQ(::mkdir((base / "elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(::symlink((base / "elsewhere").c_str(), folder.c_str()), 0);
    EXPECT_TRUE(Refused(platform::RuntimeFolder(), "not a folder"));
}

}  // namespace
