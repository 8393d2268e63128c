#pragma once
#include <string>

namespace testsupport {

// Full path of one of the project's command-line tools, built beside the tests.
std::string ToolPath(const std::string& name);

// Runs a command through the shell; returns its exit status (or -1) and its standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);

}  // namespace testsupport
