#include "platform/kernel/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

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

}  // namespace platform
