#pragma once
// Debian's obexftpd serving a folder over TCP, for the tests and benchmarks that talk to a real
// OBEX server. It always listens on port 650 and serves only the first connection it accepts,
// so each use starts a server of its own.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace testsupport {

inline constexpr const char* kObexftpd = "/usr/bin/obexftpd";
inline constexpr std::uint16_t kObexftpdPort = 650;

// Whether some socket listens on the port. (Not probed by connecting: obexftpd would spend its
// one connection on the probe.)
inline bool Listening(std::uint16_t port) {
    char local[8];
    std::snprintf(local, sizeof local, ":%04X", port);
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream file(table);
        std::string sl, address, remote, state;
        for (std::string line; std::getline(file, line);) {
            std::istringstream fields(line);
            if ((fields >> sl >> address >> remote >> state) && address.ends_with(local) && state == "0A") return true;
        }
    }
    return false;
}

// Why obexftpd cannot be used here, or empty when it can.
inline std::string ObexftpdMissing() {
    if (::access(kObexftpd, X_OK) != 0) return "obexftpd is not installed";
    if (Listening(kObexftpdPort)) return "port 650 is already in use";
    return {};
}

// One obexftpd serving `folder`, stopped and reaped when this goes.
class ObexftpdServer {
public:
    // Check listening() before use: false when it did not start listening in time.
    explicit ObexftpdServer(const std::filesystem::path& folder) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // a test that dies leaves no server on the port
            const int quiet = ::open("/dev/null", O_WRONLY);  // it reports every packet
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
            ::execl(kObexftpd, "obexftpd", "-c", folder.c_str(), "-n", "650", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (pid_ > 0 && !Listening(kObexftpdPort) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~ObexftpdServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ObexftpdServer(const ObexftpdServer&) = delete;
    ObexftpdServer& operator=(const ObexftpdServer&) = delete;

    bool listening() const { return pid_ > 0 && Listening(kObexftpdPort); }

    // The processor time the server has used so far (user and system), in seconds.
    double CpuSeconds() const {
        std::ifstream file("/proc/" + std::to_string(pid_) + "/stat");
        std::string stat;
        std::getline(file, stat);
        const std::size_t nameEnd = stat.rfind(')');  // the command name may hold spaces
        if (nameEnd == std::string::npos) return 0;
        std::istringstream fields(stat.substr(nameEnd + 2));
        std::string skipped;
        for (int field = 3; field < 14; ++field) fields >> skipped;  // state .. cmajflt
        unsigned long long user = 0, system = 0;
        fields >> user >> system;
        return static_cast<double>(user + system) / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }

private:
    pid_t pid_ = -1;
};

}  // namespace testsupport
