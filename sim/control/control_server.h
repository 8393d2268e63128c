#pragma once
// A process's control socket: a Unix stream socket "radio-<pid>.sock" in the run-time folder,
// mode 0600, served by a thread of its own. Each connection carries one request line and gets
// one reply line. Destroying the server stops and joins its thread and removes the socket.
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/kernel/pty.h"
#include "platform/kernel/unique_fd.h"

namespace sim {

class ControlServer {
public:
    // Answers one request line (bounded, not checked otherwise) with one reply line.
    using Handler = std::function<std::string(const std::string& request)>;

    // Listens in `folder`; null with a message when the socket cannot be made.
    static std::unique_ptr<ControlServer> Start(const std::filesystem::path& folder, Handler handler,
                                                std::string* error);
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    ControlServer(platform::UniqueFd listener, std::filesystem::path path, Handler handler);
    void Run();
    void Serve(int connection);

    const platform::UniqueFd listener_;
    const std::filesystem::path path_;
    const Handler handler_;
    const platform::WakeFd stopping_;
    std::thread thread_;  // last: starts once everything it uses exists
};

}  // namespace sim
