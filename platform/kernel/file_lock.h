#pragma once
// An exclusive lock on a file, shared by every process on the machine: held until the
// object goes, and released by the system when the process ends, however it ends.
#include <filesystem>
#include <memory>

#include "platform/kernel/types.h"
#include "platform/kernel/unique_fd.h"

namespace platform {

class FileLock {
public:
    // Takes the lock on `path` (created mode 0600 when missing) without waiting:
    // ERROR_ALREADY_EXISTS when another holder has it.
    static DWORD Acquire(const std::filesystem::path& path, std::unique_ptr<FileLock>* lock);
    // The same, waiting up to `milliseconds` for another holder to let go: ERROR_TIMEOUT then.
    static DWORD AcquireWithin(const std::filesystem::path& path, DWORD milliseconds, std::unique_ptr<FileLock>* lock);

private:
    explicit FileLock(UniqueFd fd) : fd_(std::move(fd)) {}
    UniqueFd fd_;  // the lock lives with this open file
};

}  // namespace platform
