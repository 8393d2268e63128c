#pragma once
// Pseudo-terminals for serial ports: the master stays with the driver, the slave is the
// terminal a serial program opens. Raw mode: bytes pass as they are, nothing is echoed.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/kernel/types.h"
#include "platform/kernel/unique_fd.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform {

class Pty {
public:
    // A new raw pair whose slave only this user may open (mode 0600); null with the last
    // error set when the system has none to give.
    static std::unique_ptr<Pty> Open();

    // Non-blocking.
    int master() const { return master_.get(); }
    // "/dev/pts/N".
    const std::string& slavePath() const { return slavePath_; }

private:
    Pty(UniqueFd master, UniqueFd slave, std::string path)
        : master_(std::move(master)), slave_(std::move(slave)), slavePath_(std::move(path)) {}

    UniqueFd master_;
    // Held open so that the master never reads as hung up while no program has the slave open.
    UniqueFd slave_;
    std::string slavePath_;
};

// Writes all of `data` to the non-blocking `fd`, waiting for room as long as it takes; false
// when `cancel` (a descriptor) becomes readable first, or the write fails.
bool WriteAll(int fd, const std::uint8_t* data, std::size_t size, int cancel);

// An eventfd that stays readable once set: wakes every poll that includes it.
class WakeFd {
public:
    WakeFd();
    int get() const { return fd_.get(); }
    void Set() const;

private:
    UniqueFd fd_;
};

}  // namespace platform

#pragma GCC visibility pop
