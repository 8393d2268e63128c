#include "support/tools.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace testsupport {

std::string ToolPath(const std::string& name) {
    const char* dir = std::getenv("NIMBREL_TEST_TOOLS");
    return (dir ? std::string(dir) + "/" : std::string()) + name;
}

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        if (output) output->append(buffer, n);
    int status = pclose(pipe);
    return (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
}

CommandOutcome RunCapturing(const std::string& command) {
    char name[] = "/tmp/nimbrel-stderr-XXXXXX";
    const int file = ::mkstemp(name);
    CommandOutcome outcome;
    if (file < 0) return outcome;
    ::close(file);
    outcome.status = RunCommand(command + " 2>" + name, &outcome.out);
    outcome.err = ReadFile(name);
    ::unlink(name);
    return outcome;
}

std::string NimbrelctlWithFtpServer(const std::string& tcpAddress) {
    const char* home = std::getenv("NIMBREL_HOME");
    const std::filesystem::path world = std::filesystem::path(home ? home : ".") / "ftp-world.json";
    std::ofstream(world) << R"({"devices": [{"address": "00:00:00:00:00:05", "services": [{"profile": "ftp", "obex_tcp": ")"
                         << tcpAddress << R"("}]}]})";
    return ToolPath("nimbrelctl") + " --world " + world.string();
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace testsupport
