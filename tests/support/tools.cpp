#include "support/tools.h"

#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

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

}  // namespace testsupport
