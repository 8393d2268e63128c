#include "sim/obex/tcp_bridge.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/kernel/unique_fd.h"

namespace sim {
namespace {

constexpr int kConnectTimeoutMs = 5000;
// A server that takes no bytes for this long is gone: the sender is not held for ever.
constexpr int kSendTimeoutMs = 30000;
constexpr std::size_t kRelayBuffer = 64 * 1024;  // a whole packet of the largest size at once

// A connected socket to a numeric IPv4 or IPv6 address, or an invalid one.
platform::UniqueFd ConnectTcp(const TcpAddress& address) {
    sockaddr_storage storage{};
    socklen_t length = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
    if (::inet_pton(AF_INET, address.host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(address.port);
        length = sizeof *v4;
    } else if (::inet_pton(AF_INET6, address.host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(address.port);
        length = sizeof *v6;
    } else {
        return {};
    }
    platform::UniqueFd socket(::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket) return {};
    if (::connect(socket.get(), reinterpret_cast<sockaddr*>(&storage), length) != 0) {
        if (errno != EINPROGRESS) return {};
        pollfd ready{socket.get(), POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        if (::poll(&ready, 1, kConnectTimeoutMs) != 1 ||
            ::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
            return {};
    }
    const int one = 1;
    ::setsockopt(socket.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const timeval sendBound{kSendTimeoutMs / 1000, (kSendTimeoutMs % 1000) * 1000};
    ::setsockopt(socket.get(), SOL_SOCKET, SO_SNDTIMEO, &sendBound, sizeof sendBound);
    // Blocking from now on, so that Receive waits for room; the relay polls and reads without
    // waiting.
    ::fcntl(socket.get(), F_SETFL, ::fcntl(socket.get(), F_GETFL) & ~O_NONBLOCK);
    return socket;
}

class TcpBridge final : public SerialEndpoint {
public:
    TcpBridge(const TcpAddress& address, Output output, std::function<void()> hangup)
        : output_(std::move(output)), hangup_(std::move(hangup)), socket_(ConnectTcp(address)),
          stop_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
        if (!socket_ || !stop_) {
            hangup_();
            return;
        }
        reader_ = std::thread([this] { Relay(); });
    }
    ~TcpBridge() override {
        stopping_ = true;
        // The relay's wait returns, and a stream taken ends with the link.
        if (socket_) ::shutdown(socket_.get(), SHUT_RDWR);
        if (reader_.joinable()) reader_.join();
    }

    // To the server; a TCP side that is gone, or takes nothing in time, breaks the link.
    void Receive(const std::uint8_t* data, std::size_t size) override {
        while (socket_ && size > 0) {
            const ssize_t sent = ::send(socket_.get(), data, size, MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) continue;
            if (sent <= 0) {
                ::shutdown(socket_.get(), SHUT_RDWR);  // the reader sees it and hangs up
                return;
            }
            data += sent;
            size -= static_cast<std::size_t>(sent);
        }
    }

    // The relay stops where it is; what it already output stays output. A server that closed
    // meanwhile has hung the link up, and then there is nothing to hand over.
    platform::UniqueFd TakeStream() override {
        if (!reader_.joinable()) return {};
        const std::uint64_t one = 1;
        if (::write(stop_.get(), &one, sizeof one) != sizeof one) return {};
        reader_.join();
        if (serverClosed_) return {};
        return platform::UniqueFd(::fcntl(socket_.get(), F_DUPFD_CLOEXEC, 0));
    }

private:
    // From the server to our side, until the server closes, the bridge stops or the stream is
    // taken.
    void Relay() {
        std::vector<std::uint8_t> buffer(kRelayBuffer);
        for (;;) {
            pollfd ready[2] = {{socket_.get(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
            if (::poll(ready, 2, -1) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (ready[1].revents & POLLIN) return;  // taken: the link goes on without the relay
            const ssize_t got = ::recv(socket_.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (got <= 0 || stopping_) break;
            output_(buffer.data(), static_cast<std::size_t>(got));
        }
        if (stopping_) return;  // our side closed the link
        serverClosed_ = true;
        hangup_();
    }

    const Output output_;
    const std::function<void()> hangup_;
    platform::UniqueFd socket_;
    const platform::UniqueFd stop_;  // an eventfd: readable once the stream is taken
    std::atomic<bool> stopping_{false};
    bool serverClosed_ = false;  // written by the relay, read once it is joined
    std::thread reader_;  // last: starts once everything it uses exists
};

}  // namespace

std::unique_ptr<SerialEndpoint> MakeTcpBridge(const TcpAddress& address, SerialEndpoint::Output output,
                                              std::function<void()> hangup) {
    return std::make_unique<TcpBridge>(address, std::move(output), std::move(hangup));
}

}  // namespace sim
