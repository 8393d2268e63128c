#pragma once
#include <filesystem>
#include <string>

namespace testsupport {

// Full path of one of the project's command-line tools, built beside the tests.
std::string ToolPath(const std::string& name);

// Runs a command through the shell; returns its exit status (or -1) and its standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);

struct CommandOutcome {
    int status = -1;
    std::string out;
    std::string err;
};
// As RunCommand, with standard error kept apart (the command must not redirect it).
CommandOutcome RunCapturing(const std::string& command);

// The nimbrelctl command (to which arguments are added) with a world whose one device,
// 00:00:00:00:00:05, offers File Transfer through the OBEX server at `tcpAddress` (HOST:PORT).
std::string NimbrelctlWithFtpServer(const std::string& tcpAddress);

// A whole file's bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

}  // namespace testsupport
