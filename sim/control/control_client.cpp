#include "sim/control/control_client.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/kernel/paths.h"
#include "platform/kernel/unique_fd.h"
#include "sim/control/control_socket.h"

namespace sim {
namespace {

enum class Reach { Answered, Gone, Failed };

// Gone: nobody listens there (the socket is stale or missing).
Reach Exchange(const std::filesystem::path& path, const std::string& request, std::string* reply, std::string* error,
               const ControlReplyLimits& limits) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof address.sun_path) {
        *error = path.string() + ": the path is too long for a socket";
        return Reach::Failed;
    }
    std::memcpy(address.sun_path, path.c_str(), path.native().size() + 1);
    platform::UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket) {
        *error = std::string("cannot make a socket: ") + std::strerror(errno);
        return Reach::Failed;
    }
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int problem = errno;
        *error = path.string() + ": " + std::strerror(problem);
        return problem == ECONNREFUSED || problem == ENOENT ? Reach::Gone : Reach::Failed;
    }
    if (request.size() > kMaxControlRequest || request.find('\n') != std::string::npos) {
        *error = "the request must be one line of at most " + std::to_string(kMaxControlRequest) + " bytes";
        return Reach::Failed;
    }
    if (!WriteControlLine(socket.get(), request)) {
        *error = path.string() + ": the request could not be sent";
        return Reach::Failed;
    }
    bool tooLong = false;
    if (!ReadControlLine(socket.get(), limits.bytes, limits.timeoutMs, -1, reply, &tooLong)) {
        *error = path.string() + (tooLong ? ": the reply is too long" : ": no reply");
        return Reach::Failed;
    }
    return Reach::Answered;
}

}  // namespace

bool SendControlRequest(pid_t pid, const std::string& request, std::string* reply, std::string* error,
                        const ControlReplyLimits& limits) {
    const platform::PrivateFolder folder = platform::RuntimeFolder();
    if (folder.path.empty()) {
        *error = folder.error;
        return false;
    }
    return Exchange(ControlSocketPath(folder.path, pid), request, reply, error, limits) == Reach::Answered;
}

std::vector<ControlHost> ListControlHosts() {
    std::vector<ControlHost> hosts;
    const platform::PrivateFolder folder = platform::RuntimeFolder();
    if (folder.path.empty()) return hosts;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path, ec)) {
        const auto pid = ControlSocketPid(entry.path().filename().string());
        if (!pid) continue;
        std::string reply, error;
        const Reach reach = Exchange(entry.path(), "hello", &reply, &error, {});
        const bool gone = reach == Reach::Gone || (::kill(*pid, 0) != 0 && errno == ESRCH);
        if (gone) {
            ::unlink(entry.path().c_str());
            continue;
        }
        // "ok PID PROGRAM"
        if (reach != Reach::Answered || reply.compare(0, 3, "ok ") != 0) continue;
        const auto space = reply.find(' ', 3);
        hosts.push_back({*pid, space == std::string::npos ? std::string() : reply.substr(space + 1)});
    }
    std::sort(hosts.begin(), hosts.end(), [](const ControlHost& a, const ControlHost& b) { return a.pid < b.pid; });
    return hosts;
}

}  // namespace sim
