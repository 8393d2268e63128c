#include "platform/kernel/paths.h"

#include <cstdlib>
#include <string>
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

}  // namespace

std::filesystem::path NimbrelHome() {
    if (auto home = FromEnv("NIMBREL_HOME"); !home.empty()) return Ensure(home);
    if (auto data = FromEnv("XDG_DATA_HOME"); !data.empty()) return Ensure(data / "nimbrel");
    if (auto user = FromEnv("HOME"); !user.empty()) return Ensure(user / ".local" / "share" / "nimbrel");
    return Ensure(std::filesystem::temp_directory_path() / ("nimbrel-" + std::to_string(getuid())));
}

std::filesystem::path FileRoot() { return Ensure(NimbrelHome() / "root"); }

std::filesystem::path RuntimeDir() {
    if (auto runtime = FromEnv("XDG_RUNTIME_DIR"); !runtime.empty()) return Ensure(runtime / "nimbrel");
    auto dir = std::filesystem::temp_directory_path() / ("nimbrel-run-" + std::to_string(getuid()));
    Ensure(dir);
    std::error_code ec;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
    return dir;
}

}  // namespace platform
