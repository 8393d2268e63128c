#include "platform/registry/registry_set_aside.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <system_error>

#include "platform/kernel/file_lock.h"
#include "platform/registry/registry_damage.h"

namespace platform::registry {
namespace {

namespace fs = std::filesystem;

// How long a process waits for another that is setting the same file aside.
constexpr DWORD kTurnWaitMs = 10000;
// Names tried within one second before giving up.
constexpr int kNamesPerSecond = 100;

fs::path WithSuffix(const fs::path& file, const std::string& suffix) { return fs::path(file.string() + suffix); }

std::string UtcStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

bool Exists(const fs::path& path) {
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

// Renames `from` to `to` unless `to` exists; 0 or the errno.
int MoveWithoutReplacing(const fs::path& from, const fs::path& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
    // A file system without that flag: a second link fails as well on an existing name.
    if (::link(from.c_str(), to.c_str()) != 0) return errno;
    return ::unlink(from.c_str()) == 0 ? 0 : errno;
}

// Moves the file, and its log where SQLite will look for it beside the new name, out of the
// way; the new path, or empty with *error told.
fs::path SetAside(const fs::path& file, std::string* error) {
    const std::string stamp = UtcStamp();
    for (int attempt = 1; attempt <= kNamesPerSecond; ++attempt) {
        const fs::path kept =
            WithSuffix(file, ".corrupt-" + stamp + (attempt > 1 ? "-" + std::to_string(attempt) : std::string()));
        if (Exists(kept) || Exists(WithSuffix(kept, "-wal"))) continue;
        const int failure = MoveWithoutReplacing(file, kept);
        if (failure == EEXIST) continue;
        if (failure != 0) {
            *error = std::strerror(failure);
            return {};
        }
        // A log left beside a new file would be read into it; the shared-memory index is
        // made anew from the log.
        const fs::path log = WithSuffix(file, "-wal");
        if (Exists(log) && MoveWithoutReplacing(log, WithSuffix(kept, "-wal")) != 0) ::unlink(log.c_str());
        ::unlink(WithSuffix(file, "-shm").c_str());
        return kept;
    }
    *error = "every name for it is taken";
    return {};
}

}  // namespace

OpenedFile OpenSettingDamageAside(const fs::path& file) {
    OpenedFile opened = OpenRegistryFile(file);
    if (!opened.damage) return opened;
    DamagedFile report{file, opened.damage, {}, {}};
    std::unique_ptr<FileLock> turn;
    const DWORD locked = FileLock::AcquireWithin(WithSuffix(file, ".lock"), kTurnWaitMs, &turn);
    if (locked == ERROR_SUCCESS) {
        // Another process may have set it aside while this one waited.
        opened = OpenRegistryFile(file);
        if (!opened.damage) return opened;
        report.problem = opened.damage;
        report.keptAs = SetAside(file, &report.moveError);
        if (!report.keptAs.empty()) opened = OpenRegistryFile(file);
    } else {
        report.moveError = locked == ERROR_TIMEOUT ? "another program was moving it and did not finish in time"
                                                   : "its lock file " + WithSuffix(file, ".lock").string() +
                                                         " cannot be made";
    }
    RecordDamagedFile(std::move(report));
    return opened;
}

}  // namespace platform::registry
