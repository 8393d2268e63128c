// Folders Nimbrel makes for itself: private on creation, and a run-time folder that another
// user could reach is refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
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

bool Mentions(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Paths, NewHomeAndRunTimeFoldersAreForTheUserAlone) {
    const fs::path base = platform::NimbrelHome();
    ::umask(0);  // the modes must not depend on the umask
    setenv("NIMBREL_HOME", (base / "new" / "home/").c_str(), 1);
    platform::NimbrelHome();
    EXPECT_EQ(ModeOf(base / "new" / "home"), 0700u);

    setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
    platform::PrivateFolder runtime = platform::RuntimeFolder();
    ASSERT_EQ(runtime.error, "");
    EXPECT_EQ(runtime.path, base / "nimbrel");
    EXPECT_EQ(ModeOf(runtime.path), 0700u);
    EXPECT_EQ(platform::RuntimeFolder().path, runtime.path);  // found again as it is

    // Without XDG_RUNTIME_DIR: a folder of the user's in the temporary folder.
    unsetenv("XDG_RUNTIME_DIR");
    setenv("TMPDIR", base.c_str(), 1);
    runtime = platform::RuntimeFolder();
    ASSERT_EQ(runtime.error, "");
    EXPECT_EQ(runtime.path, base / ("nimbrel-run-" + std::to_string(geteuid())));
    EXPECT_EQ(ModeOf(runtime.path), 0700u);
}

TEST(Paths, ARunTimeFolderOthersCouldReachIsRefusedAndLeftAlone) {
    const fs::path base = platform::NimbrelHome();
    setenv("XDG_RUNTIME_DIR", base.c_str(), 1);
    const fs::path folder = base / "nimbrel";

    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0755), 0);
    platform::PrivateFolder open = platform::RuntimeFolder();
    EXPECT_TRUE(open.path.empty());
    EXPECT_TRUE(Mentions(open.error, "mode 0755")) << open.error;
    EXPECT_TRUE(Mentions(open.error, folder.string())) << open.error;
    EXPECT_EQ(ModeOf(folder), 0755u);  // not repaired behind the user's back

    ASSERT_EQ(::chmod(folder.c_str(), 0700), 0);
    EXPECT_EQ(platform::PrivateFolderProblem(folder, geteuid()), "");
    EXPECT_TRUE(Mentions(platform::PrivateFolderProblem(folder, geteuid() + 1), "belongs to user")) << folder;
    if (::chown(folder.c_str(), geteuid() + 1, static_cast<gid_t>(-1)) == 0) {  // possible as root only
        open = platform::RuntimeFolder();
        EXPECT_TRUE(open.path.empty());
        EXPECT_TRUE(Mentions(open.error, "belongs to user")) << open.error;
    }

    // A link, even to a private folder of the user's: whoever owns the folder it sits in
    // could turn it elsewhere.
    ASSERT_EQ(::rmdir(folder.c_str()), 0);
    ASSERT_EQ(::mkdir((base / "elsewhere").c_str(), 0700), 0);
    ASSERT_EQ(::symlink((base / "elsewhere").c_str(), folder.c_str()), 0);
    open = platform::RuntimeFolder();
    EXPECT_TRUE(open.path.empty());
    EXPECT_TRUE(Mentions(open.error, "not a folder")) << open.error;

    // A plain file in its place.
    ASSERT_EQ(::unlink(folder.c_str()), 0);
    ASSERT_TRUE(std::ofstream(folder).good());
    EXPECT_TRUE(Mentions(platform::RuntimeFolder().error, "not a folder"));
}

}  // namespace
