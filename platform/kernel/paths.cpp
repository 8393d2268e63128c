#include "platform/kernel/paths.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace platform {
namespace {

std::filesystem::path FromEnv(const char* name) {
    const char* value = std::getenv(name);
    return (value && *value) ? std::filesystem::path(value) : std::filesystem::path();
}

std::filesystem::path Ensure(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir;
}

// "/a/b/" and "/a/b" are the same folder; mkdir must see its last name.
std::filesystem::path WithoutTrailingSeparator(const std::filesystem::path& dir) {
    std::filesystem::path normal = dir.lexically_normal();
    return normal.has_filename() || !normal.has_parent_path() ? normal : normal.parent_path();
}

// Creates dir mode 0700 when it is missing (parents as the system makes them).
std::filesystem::path EnsurePrivate(const std::filesystem::path& dir) {
    std::filesystem::path folder = WithoutTrailingSeparator(dir);
    std::error_code ec;
    if (folder.has_parent_path()) std::filesystem::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0700) == 0) ::chmod(folder.c_str(), 0700);  // whatever the umask
    return dir;
}

std::string ErrnoText() { return std::error_code(errno, std::generic_category()).message(); }

}  // namespace

std::filesystem::path NimbrelHome() {
    if (auto home = FromEnv("NIMBREL_HOME"); !home.empty()) return EnsurePrivate(home);
    if (auto data = FromEnv("XDG_DATA_HOME"); !data.empty()) return EnsurePrivate(data / "nimbrel");
    if (auto user = FromEnv("HOME"); !user.empty()) return EnsurePrivate(user / ".local" / "share" / "nimbrel");
    return EnsurePrivate(std::filesystem::temp_directory_path() / ("nimbrel-" + std::to_string(getuid())));
}

std::filesystem::path FileRoot() { return Ensure(NimbrelHome() / "root"); }

std::string PrivateFolderProblem(const std::filesystem::path& folder, uid_t owner) {
    const std::string name = "the run-time folder " + folder.string();
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) return name + " cannot be examined: " + ErrnoText();
    if (!S_ISDIR(info.st_mode)) return name + " is not a folder (a link or a file stands there); remove it";
    if (info.st_uid != owner)
        return name + " belongs to user " + std::to_string(info.st_uid) + ", not to user " + std::to_string(owner) +
               "; remove it or set XDG_RUNTIME_DIR to a folder of your own";
    if ((info.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        return name + " is open to other users (mode " + mode + "); it must be private: chmod 700 " + folder.string();
    }
    return {};
}

PrivateFolder RuntimeFolder() {
    std::filesystem::path folder;
    if (auto runtime = FromEnv("XDG_RUNTIME_DIR"); !runtime.empty()) {
        folder = runtime / "nimbrel";
    } else {
        std::error_code ec;
        std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
        if (ec) return {{}, "no temporary folder for the run-time folder: " + ec.message()};
        folder = temp / ("nimbrel-run-" + std::to_string(geteuid()));
    }
    if (::mkdir(folder.c_str(), 0700) == 0) {
        ::chmod(folder.c_str(), 0700);  // whatever the umask
    } else if (errno != EEXIST) {
        return {{}, "the run-time folder " + folder.string() + " cannot be created: " + ErrnoText()};
    }
    if (std::string problem = PrivateFolderProblem(folder, geteuid()); !problem.empty()) return {{}, problem};
    return {folder, {}};
}

}  // namespace platform
