#include "platform/obex/server/tcp_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace obex {
namespace {

constexpr int kBacklog = 8;

// "host:port" or "[host]:port" with a numeric loopback host; false otherwise.
bool ParseLoopback(const std::string& text, sockaddr_storage* address, socklen_t* size, std::string* error) {
    std::string host;
    std::string port;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            *error = "expected [ADDRESS]:PORT, not '" + text + "'";
            return false;
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
    } else {
        const auto colon = text.rfind(':');
        if (colon == std::string::npos) {
            *error = "expected ADDRESS:PORT, not '" + text + "'";
            return false;
        }
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
    }
    if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(port) > 65535) {
        *error = "'" + port + "' is not a TCP port";
        return false;
    }
    const auto number = static_cast<std::uint16_t>(std::stoul(port));
    *address = {};
    auto* v4 = reinterpret_cast<sockaddr_in*>(address);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(address);
    if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(number);
        *size = sizeof *v4;
        if ((ntohl(v4->sin_addr.s_addr) >> 24) == 127) return true;
    } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(number);
        *size = sizeof *v6;
        if (IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr)) return true;
    }
    *error = "'" + host + "' is not a loopback address: the servers answer only this machine over TCP";
    return false;
}

std::string Describe(const sockaddr_storage& address) {
    char host[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, host, sizeof host);
        return "[" + std::string(host) + "]:" + std::to_string(ntohs(v6.sin6_port));
    }
    const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
    inet_ntop(AF_INET, &v4.sin_addr, host, sizeof host);
    return std::string(host) + ":" + std::to_string(ntohs(v4.sin_port));
}

}  // namespace

std::unique_ptr<TcpListener> TcpListener::Listen(const std::string& text, Accepted accepted, std::string* error) {
    sockaddr_storage address{};
    socklen_t size = 0;
    if (!ParseLoopback(text, &address, &size, error)) return nullptr;
    platform::UniqueFd socket(::socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    platform::UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    const int yes = 1;
    if (socket) ::setsockopt(socket.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (!socket || !wake || ::bind(socket.get(), reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(socket.get(), kBacklog) != 0) {
        *error = "cannot listen on " + text + ": " + std::strerror(errno);
        return nullptr;
    }
    socklen_t taken = sizeof address;
    ::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&address), &taken);
    return std::unique_ptr<TcpListener>(
        new TcpListener(std::move(socket), std::move(wake), Describe(address), std::move(accepted)));
}

TcpListener::TcpListener(platform::UniqueFd socket, platform::UniqueFd wake, std::string address, Accepted accepted)
    : socket_(std::move(socket)), wake_(std::move(wake)), address_(std::move(address)), accepted_(std::move(accepted)) {
    thread_ = std::thread([this] { Run(); });
}

TcpListener::~TcpListener() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake_.get(), &one, sizeof one);
    thread_.join();
}

void TcpListener::Run() {
    for (;;) {
        pollfd ready[2] = {{socket_.get(), POLLIN, 0}, {wake_.get(), POLLIN, 0}};
        if (::poll(ready, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (ready[1].revents) return;
        sockaddr_storage peer{};
        socklen_t size = sizeof peer;
        platform::UniqueFd connection(
            ::accept4(socket_.get(), reinterpret_cast<sockaddr*>(&peer), &size, SOCK_CLOEXEC));
        if (connection) accepted_(std::move(connection), Describe(peer));
    }
}

}  // namespace obex
