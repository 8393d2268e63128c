#include "platform/kernel/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <chrono>
#include <thread>

namespace platform {

DWORD FileLock::Acquire(const std::filesystem::path& path, std::unique_ptr<FileLock>* lock) {
    // The file stays when released: removing it would let two processes lock two different
    // files of one name.
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd) return errno == ELOOP ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND;
    while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) continue;
        return errno == EWOULDBLOCK ? ERROR_ALREADY_EXISTS : ERROR_GEN_FAILURE;
    }
    lock->reset(new FileLock(std::move(fd)));
    return ERROR_SUCCESS;
}

DWORD FileLock::AcquireWithin(const std::filesystem::path& path, DWORD milliseconds,
                              std::unique_ptr<FileLock>* lock) {
    // flock has no time-out of its own: try again until the deadline. Holders keep these
    // locks for a few file operations, so a short step wastes little.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const DWORD result = Acquire(path, lock);
        if (result != ERROR_ALREADY_EXISTS) return result;
        if (std::chrono::steady_clock::now() >= deadline) return ERROR_TIMEOUT;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace platform
