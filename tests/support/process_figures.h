#pragma once
// What a running process holds, as the kernel counts it: open descriptors, threads, and
// resident memory. For tests that keep a host busy for a long time and check it gives back
// what it takes.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace testsupport {

struct ProcessFigures {
    long descriptors = 0;  // entries of /proc/PID/fd
    long threads = 0;      // "Threads" of /proc/PID/status
    long residentKiB = 0;  // "VmRSS" of /proc/PID/status
    long anonymousKiB = 0;  // "RssAnon": the resident memory that is the process's own, not mapped files
};

// None when the process is gone (or /proc cannot be read).
std::optional<ProcessFigures> ReadProcessFigures(pid_t pid);

// "fds 12, threads 5, rss 10240 KiB".
std::string Describe(const ProcessFigures& figures);

// Reads the figures until `settled` holds for them or `timeout` passed; the last figures read
// either way (none when the process is gone). Threads and descriptors of work just finished
// take a moment to go: this waits for that, and for no more.
std::optional<ProcessFigures> WaitForFigures(pid_t pid, const std::function<bool(const ProcessFigures&)>& settled,
                                             std::chrono::milliseconds timeout);

}  // namespace testsupport
