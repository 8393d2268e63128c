#include "platform/kernel/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <termios.h>

#include <cerrno>

#include "platform/kernel/last_error.h"

namespace platform {

std::unique_ptr<Pty> Pty::Open() {
    UniqueFd master(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    char name[128] = {};
    if (!master || ::grantpt(master.get()) != 0 || ::unlockpt(master.get()) != 0 ||
        ::ptsname_r(master.get(), name, sizeof name) != 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);  // no terminal left to give
        return nullptr;
    }
    UniqueFd slave(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    termios mode{};
    if (!slave || ::fchmod(slave.get(), 0600) != 0 || ::tcgetattr(slave.get(), &mode) != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    ::cfmakeraw(&mode);  // no echo, no line editing, no CR/LF translation, 8 bits
    const int flags = ::fcntl(master.get(), F_GETFL);
    if (::tcsetattr(slave.get(), TCSANOW, &mode) != 0 || flags < 0 ||
        ::fcntl(master.get(), F_SETFL, flags | O_NONBLOCK) != 0) {
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    return std::unique_ptr<Pty>(new Pty(std::move(master), std::move(slave), name));
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, int cancel) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written > 0) {
            data += written;
            size -= static_cast<std::size_t>(written);
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno != EAGAIN) return false;
        pollfd waits[2] = {{fd, POLLOUT, 0}, {cancel, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0 && errno != EINTR) return false;
        if (waits[1].revents) return false;
        if (waits[0].revents & (POLLERR | POLLNVAL)) return false;
    }
    return true;
}

WakeFd::WakeFd() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void WakeFd::Set() const {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(fd_.get(), &one, sizeof one);
}

}  // namespace platform
