#include "bluez/profile/socket_link.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace bluez {
namespace {

constexpr std::size_t kReadChunk = 4096;
// A peer that takes none of our bytes for this long is taken as gone.
constexpr int kSendTimeoutMs = 30000;

}  // namespace

SocketLink::SocketLink(int fd, std::uint8_t channel, bth::SerialSink* sink, bool reportHangUp)
    : fd_(fd), channel_(channel), sink_(sink), reportHangUp_(reportHangUp) {
    if (pipe2(wake_, O_CLOEXEC) != 0) wake_[0] = wake_[1] = -1;
    reader_ = std::thread([this] { Read(); });
}

SocketLink::~SocketLink() {
    if (wake_[1] < 0) shutdown(fd_, SHUT_RDWR);
    StopReader();
    shutdown(fd_, SHUT_RDWR);  // a stream taken ends with the link
    close(fd_);
    if (wake_[0] >= 0) close(wake_[0]);
    if (wake_[1] >= 0) close(wake_[1]);
}

void SocketLink::HangUp() { shutdown(fd_, SHUT_RDWR); }

void SocketLink::StopReader() {
    if (!reader_.joinable()) return;
    if (wake_[1] >= 0) {
        const char byte = 0;
        [[maybe_unused]] auto written = write(wake_[1], &byte, 1);
    }
    reader_.join();
}

platform::UniqueFd SocketLink::TakeStream() {
    if (wake_[1] < 0 || !reader_.joinable()) return {};  // no way to stop the reader short of ending the link
    StopReader();
    if (broken_) return {};  // the sink heard Broken, or (a server's link) the peer went
    return platform::UniqueFd(fcntl(fd_, F_DUPFD_CLOEXEC, 0));
}

void SocketLink::Read() {
    std::uint8_t buffer[kReadChunk];
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        const int ready = poll(fds, wake_[0] >= 0 ? 2 : 1, -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0 || (fds[1].revents & POLLIN)) return;  // we are closing: no Broken
        const ssize_t got = read(fd_, buffer, sizeof buffer);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) {
            broken_ = true;
            if (reportHangUp_) sink_->Broken();
            return;
        }
        sink_->Received(buffer, static_cast<std::size_t>(got));
    }
}

DWORD SocketLink::Send(const std::uint8_t* data, std::size_t size) {
    std::lock_guard lock(sendMutex_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSendTimeoutMs);
    while (size > 0) {
        if (broken_) return ERROR_DEVICE_NOT_CONNECTED;
        const ssize_t sent = send(fd_, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            data += sent;
            size -= static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return ERROR_DEVICE_NOT_CONNECTED;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return ERROR_DEVICE_NOT_CONNECTED;
        pollfd out{fd_, POLLOUT, 0};
        poll(&out, 1, static_cast<int>(left.count()));
    }
    return ERROR_SUCCESS;
}

}  // namespace bluez
