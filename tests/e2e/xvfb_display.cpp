#include "e2e/xvfb_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

// Reads the display number Xvfb writes once it is ready; empty at end of file or after 10 s.
std::string ReadDisplayNumber(int fd) {
    std::string number;
    pollfd wait{fd, POLLIN, 0};
    char c = 0;
    while (poll(&wait, 1, 10000) == 1 && read(fd, &c, 1) == 1 && c != '\n') number += c;
    return c == '\n' ? number : std::string();
}

}  // namespace

std::string XvfbDisplay::Start() {
    int fds[2];
    if (pipe(fds) != 0) return {};
    const std::string fd = std::to_string(fds[1]);  // nothing that allocates after the fork
    m_pid = fork();
    if (m_pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // gone with the test program, however it ends
        close(fds[0]);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0", "1024x768x24",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    const std::string number = m_pid > 0 ? ReadDisplayNumber(fds[0]) : std::string();
    close(fds[0]);
    return number.empty() ? std::string() : ":" + number;
}

XvfbDisplay::~XvfbDisplay() {
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    waitpid(m_pid, nullptr, 0);
}

}  // namespace testsupport
