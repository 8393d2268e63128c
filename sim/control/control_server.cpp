#include "sim/control/control_server.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "sim/control/control_socket.h"

namespace sim {
namespace {

// How long a client may take to send its request; the thread serves one client at a time.
constexpr int kRequestTimeoutMs = 2000;

}  // namespace

std::unique_ptr<ControlServer> ControlServer::Start(const std::filesystem::path& folder, Handler handler,
                                                    std::string* error) {
    const std::filesystem::path path = ControlSocketPath(folder, ::getpid());
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof address.sun_path) {
        *error = path.string() + ": the path is too long for a socket";
        return nullptr;
    }
    std::memcpy(address.sun_path, path.c_str(), path.native().size() + 1);
    platform::UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener) {
        *error = std::string("cannot make a socket: ") + std::strerror(errno);
        return nullptr;
    }
    ::unlink(path.c_str());  // left by an earlier process of the same pid, which is gone
    if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(path.c_str(), 0600) != 0 || ::listen(listener.get(), 8) != 0) {
        *error = path.string() + ": " + std::strerror(errno);
        ::unlink(path.c_str());
        return nullptr;
    }
    return std::unique_ptr<ControlServer>(new ControlServer(std::move(listener), path, std::move(handler)));
}

ControlServer::ControlServer(platform::UniqueFd listener, std::filesystem::path path, Handler handler)
    : listener_(std::move(listener)),
      path_(std::move(path)),
      handler_(std::move(handler)),
      thread_([this] { Run(); }) {}

ControlServer::~ControlServer() {
    stopping_.Set();
    thread_.join();
    ::unlink(path_.c_str());
}

void ControlServer::Run() {
    pollfd waits[2] = {{listener_.get(), POLLIN, 0}, {stopping_.get(), POLLIN, 0}};
    for (;;) {
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (waits[1].revents) return;
        platform::UniqueFd connection(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (connection) Serve(connection.get());
    }
}

void ControlServer::Serve(int connection) {
    std::string request;
    bool tooLong = false;
    if (!ReadControlLine(connection, kMaxControlRequest, kRequestTimeoutMs, stopping_.get(), &request, &tooLong)) {
        if (tooLong)
            WriteControlLine(connection, "error: request longer than " + std::to_string(kMaxControlRequest) + " bytes");
        return;
    }
    WriteControlLine(connection, handler_(request));
}

}  // namespace sim
