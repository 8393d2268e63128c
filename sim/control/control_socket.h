#pragma once
// Where each host process's radio listens for control requests, and the limits of the
// exchange: one request line, one reply line.
#include <sys/types.h>

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace sim {

// Longest request line, without its newline; longer requests are refused.
inline constexpr std::size_t kMaxControlRequest = 512;

// "radio-<pid>.sock" in `folder`.
std::filesystem::path ControlSocketPath(const std::filesystem::path& folder, pid_t pid);
// The pid of a control socket's file name; none for other names.
std::optional<pid_t> ControlSocketPid(const std::string& fileName);

// Reads one line (without its newline; a last line may end with the stream) of at most
// `limit` bytes from `fd`, until `deadlineMs` has passed or `cancel` (a descriptor, or -1)
// becomes readable. False when the line is longer, the time ran out or the read failed;
// *tooLong tells the first case.
bool ReadControlLine(int fd, std::size_t limit, int deadlineMs, int cancel, std::string* line, bool* tooLong);
// Writes `line` and a newline, waiting for room up to `deadlineMs` (a long reply does not fit
// the socket's buffer at once).
bool WriteControlLine(int fd, const std::string& line, int deadlineMs = 10000);

}  // namespace sim
