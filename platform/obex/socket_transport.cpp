#include "platform/obex/socket_transport.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>

namespace obex {

std::unique_ptr<SocketTransport> SocketTransport::Create(platform::UniqueFd socket) {
    platform::UniqueFd interrupt(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!interrupt || !socket) return nullptr;
    return std::unique_ptr<SocketTransport>(new SocketTransport(std::move(socket), std::move(interrupt)));
}

TransportStatus SocketTransport::Wait(short events, Deadline deadline) const {
    for (;;) {
        // The interrupt is looked at first, so that it wins over a socket that is also ready.
        pollfd fds[2] = {{interrupt_.get(), POLLIN, 0}, {socket_.get(), events, 0}};
        int timeout = -1;
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
            timeout = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, INT32_MAX));
        }
        const int ready = ::poll(fds, 2, timeout);
        if (ready == 0) return TransportStatus::TimedOut;
        if (ready < 0) {
            if (errno == EINTR) continue;
            return TransportStatus::Failed;
        }
        if (fds[0].revents & POLLIN) return TransportStatus::Interrupted;
        if (fds[1].revents) return TransportStatus::Ok;  // ready, hung up or in error: the call tells
    }
}

TransportResult SocketTransport::Send(std::span<const std::uint8_t> data) {
    TransportResult result;
    // The send is tried first and waited for only when the socket has no room: a request then
    // costs one system call, not a poll and a send.
    while (result.count < data.size()) {
        if (closed_) return {TransportStatus::Closed, result.count};
        if (interrupted_) return {TransportStatus::Interrupted, result.count};
        const ssize_t sent = ::send(socket_.get(), data.data() + result.count, data.size() - result.count,
                                    MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) {
            result.count += static_cast<std::size_t>(sent);
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return {errno == EPIPE || errno == ECONNRESET ? TransportStatus::Closed : TransportStatus::Failed,
                    result.count};
        if (TransportStatus status = Wait(POLLOUT, deadline()); status != TransportStatus::Ok) return {status, result.count};
    }
    return result;
}

TransportResult SocketTransport::Receive(std::span<std::uint8_t> buffer) {
    if (buffer.empty()) return {};
    for (;;) {
        if (closed_) return {TransportStatus::Closed, 0};
        if (TransportStatus status = Wait(POLLIN, deadline()); status != TransportStatus::Ok) return {status, 0};
        const ssize_t got = ::recv(socket_.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (got > 0) return {TransportStatus::Ok, static_cast<std::size_t>(got)};
        if (got == 0) return {TransportStatus::Closed, 0};
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
        return {errno == ECONNRESET ? TransportStatus::Closed : TransportStatus::Failed, 0};
    }
}

void SocketTransport::Interrupt() {
    interrupted_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = ::write(interrupt_.get(), &one, sizeof one);
}

void SocketTransport::ClearInterrupt() {
    interrupted_ = false;
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t ignored = ::read(interrupt_.get(), &count, sizeof count);
}

void SocketTransport::Close() {
    closed_ = true;
    ::shutdown(socket_.get(), SHUT_RDWR);
}

}  // namespace obex
