#include "support/background_command.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace testsupport {

namespace {

// This process's environment with `overrides` ("NAME=VALUE") replacing or adding entries.
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& overrides) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('=') + 1);
        bool replaced = false;
        for (const std::string& o : overrides) replaced = replaced || o.compare(0, name.size(), name) == 0;
        if (!replaced) entries.push_back(text);
    }
    entries.insert(entries.end(), overrides.begin(), overrides.end());
    return entries;
}

}  // namespace

BackgroundCommand::BackgroundCommand(const std::string& program, const std::vector<std::string>& args,
                                     const std::vector<std::string>& environment) {
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbrel-stderr-XXXXXX").string();
    const int errors = ::mkstemp(pattern.data());
    if (errors < 0) return;
    errorPath_ = pattern;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        ::close(errors);
        return;
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    std::vector<std::string> variables = EnvironmentWith(environment);
    std::vector<char*> envp;
    for (std::string& variable : variables) envp.push_back(variable.data());
    envp.push_back(nullptr);
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);  // the test ended before the signal was set
        ::dup2(pipe[1], 1);
        ::dup2(errors, 2);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(pipe[1]);
    ::close(errors);
    output_ = pipe[0];
    if (pid_ < 0) {
        ::close(output_);
        output_ = -1;
    }
}

BackgroundCommand::~BackgroundCommand() {
    Stop();
    if (output_ >= 0) ::close(output_);
    if (!errorPath_.empty()) ::unlink(errorPath_.c_str());
}

std::optional<std::string> BackgroundCommand::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (const auto end = pending_.find('\n'); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (output_ < 0 || left.count() <= 0) return std::nullopt;
        pollfd wait{output_, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[1024];
        const ssize_t count = ::read(output_, buffer, sizeof buffer);
        if (count <= 0) return std::nullopt;
        pending_.append(buffer, static_cast<std::size_t>(count));
    }
}

int BackgroundCommand::Stop() {
    if (pid_ <= 0) return -1;
    // Its end is awaited on a process descriptor, for a bounded time; without one (an old
    // kernel) the test's own time-out bounds the wait.
    const int ending = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    ::kill(pid_, SIGTERM);
    pollfd wait{ending, POLLIN, 0};
    const bool ended = ending < 0 || ::poll(&wait, 1, 30000) == 1;
    if (ending >= 0) ::close(ending);
    if (!ended) ::kill(pid_, SIGKILL);
    int status = 0;
    const pid_t reaped = ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return ended && reaped > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string BackgroundCommand::Errors() const {
    std::ifstream file(errorPath_);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace testsupport
