#pragma once
// A command-line tool left running beside a test, as a user leaves `nimbrelctl connect` running
// in another terminal: its output read line by line with a time-out, its standard error kept
// for failure messages, and a stop signal at the end.
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

class BackgroundCommand {
public:
    // Starts `program` with `args` and this process's environment, in which `environment`'s
    // "NAME=VALUE" entries replace or add variables; running() tells whether it could be
    // started. The command gets SIGTERM when the thread that started it ends, so that nothing
    // outlives a test that crashed.
    BackgroundCommand(const std::string& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& environment = {});
    // Stops it if it still runs.
    ~BackgroundCommand();
    BackgroundCommand(const BackgroundCommand&) = delete;
    BackgroundCommand& operator=(const BackgroundCommand&) = delete;

    bool running() const { return pid_ > 0; }
    // Its process id while it runs (to read its figures or reach its radio); -1 after Stop.
    pid_t pid() const { return pid_; }
    // The next line of its standard output, without the newline; none when it ended its
    // output or nothing came within `timeout`.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Sends SIGTERM and waits (bounded, then SIGKILL) for its end: its exit status, or -1 when
    // it did not exit normally.
    int Stop();
    // What it wrote to standard error so far.
    std::string Errors() const;

private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string pending_;  // read but not yet returned
    std::string errorPath_;
};

}  // namespace testsupport
