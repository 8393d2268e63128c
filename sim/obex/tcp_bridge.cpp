#include "sim/obex/tcp_bridge.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/kernel/unique_fd.h"

namespace sim {
namespace {

constexpr int kConnectTimeoutMs = 5000;

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
        if (reader_.joinable()) {
            const std::uint64_t one = 1;
            [[maybe_unused]] ssize_t ignored = ::write(stop_.get(), &one, sizeof one);
            reader_.join();
        }
    }

    // To the server; a TCP side that is gone breaks the link.
    void Receive(const std::uint8_t* data, std::size_t size) override {
        while (socket_ && size > 0) {
            const ssize_t sent = ::send(socket_.get(), data, size, MSG_NOSIGNAL);
            if (sent < 0 && (errno == EINTR || errno == EAGAIN)) {
                pollfd ready{socket_.get(), POLLOUT, 0};
                ::poll(&ready, 1, kConnectTimeoutMs);
                continue;
            }
            if (sent <= 0) {
                ::shutdown(socket_.get(), SHUT_RDWR);  // the reader sees it and hangs up
                return;
            }
            data += sent;
            size -= static_cast<std::size_t>(sent);
        }
    }

private:
    // From the server to our side, until the server closes or the bridge stops.
    void Relay() {
        std::uint8_t buffer[4096];
        for (;;) {
            pollfd fds[2] = {{stop_.get(), POLLIN, 0}, {socket_.get(), POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (fds[0].revents) return;  // stopping: our side closed the link
            const ssize_t got = ::recv(socket_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (got <= 0) break;
            output_(buffer, static_cast<std::size_t>(got));
        }
        hangup_();
    }

    const Output output_;
    const std::function<void()> hangup_;
    platform::UniqueFd socket_;
    platform::UniqueFd stop_;
    std::thread reader_;  // last: starts once everything it uses exists
};

}  // namespace

std::unique_ptr<SerialEndpoint> MakeTcpBridge(const TcpAddress& address, SerialEndpoint::Output output,
                                              std::function<void()> hangup) {
    return std::make_unique<TcpBridge>(address, std::move(output), std::move(hangup));
}

}  // namespace sim
