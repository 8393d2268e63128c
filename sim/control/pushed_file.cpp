#include "sim/control/pushed_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/kernel/unique_fd.h"

namespace sim {

bool ReadPushedFile(const std::string& path, std::vector<std::uint8_t>* bytes, std::string* error) {
    if (path.empty() || path[0] != '/') {
        *error = "the file must be named by an absolute path";
        return false;
    }
    // Not blocking: a FIFO or a device named here must not hold the radio's control thread.
    platform::UniqueFd file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (!file || ::fstat(file.get(), &info) != 0) {
        *error = std::string("cannot open the file: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *error = "not a regular file";
        return false;
    }
    const auto limit = [&] {
        *error = "the file is larger than " + std::to_string(kMaxPushedFile / (1024 * 1024)) + " MiB";
        return false;
    };
    if (static_cast<std::uint64_t>(info.st_size) > kMaxPushedFile) return limit();
    bytes->assign(static_cast<std::size_t>(info.st_size), 0);
    std::size_t at = 0;
    std::uint8_t extra = 0;
    for (;;) {
        // One byte past the size it had: a file that grew meanwhile is read to its end, within the limit.
        std::uint8_t* into = at < bytes->size() ? bytes->data() + at : &extra;
        const std::size_t room = at < bytes->size() ? bytes->size() - at : 1;
        const ssize_t count = ::read(file.get(), into, room);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            *error = std::string("cannot read the file: ") + std::strerror(errno);
            return false;
        }
        if (count == 0) break;
        if (into == &extra) {
            if (bytes->size() >= kMaxPushedFile) return limit();
            bytes->push_back(extra);
            bytes->resize(std::min<std::uint64_t>(kMaxPushedFile, bytes->size() * 2));
        }
        at += static_cast<std::size_t>(count);
    }
    bytes->resize(at);  // shrunk meanwhile
    return true;
}

}  // namespace sim
