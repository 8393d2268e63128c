#pragma once
// A serial program's side of a COM port: opens the port's link as any terminal program would.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

namespace testsupport {

class PtyClient {
public:
    explicit PtyClient(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios mode{};
        if (fd_ >= 0 && ::tcgetattr(fd_, &mode) == 0) {
            ::cfmakeraw(&mode);
            ::tcsetattr(fd_, TCSANOW, &mode);
        }
    }
    ~PtyClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    bool Write(const std::string& text) { return ::write(fd_, text.data(), text.size()) == ssize_t(text.size()); }
    // Reads until `count` bytes came or ten seconds passed.
    std::string Read(std::size_t count) {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (got.size() < count && std::chrono::steady_clock::now() < end) {
            pollfd wait{fd_, POLLIN, 0};
            if (::poll(&wait, 1, 100) <= 0) continue;
            char buffer[4096];
            const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - got.size()));
            if (n <= 0) break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }

private:
    int fd_;
};

}  // namespace testsupport
