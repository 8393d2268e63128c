#include "support/process_figures.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace testsupport {

namespace {

// The number after `field` ("Threads:") in /proc/PID/status.
std::optional<long> StatusField(const std::string& status, const std::string& field) {
    std::istringstream lines(status);
    for (std::string line; std::getline(lines, line);)
        if (line.compare(0, field.size(), field) == 0) return std::stol(line.substr(field.size()));
    return std::nullopt;
}

}  // namespace

std::optional<ProcessFigures> ReadProcessFigures(pid_t pid) {
    const std::filesystem::path proc = "/proc/" + std::to_string(pid);
    std::ifstream file(proc / "status");
    const std::string status((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto threads = StatusField(status, "Threads:");
    const auto resident = StatusField(status, "VmRSS:");
    const auto anonymous = StatusField(status, "RssAnon:");
    if (!threads || !resident || !anonymous) return std::nullopt;
    std::error_code ec;
    long descriptors = 0;
    for (std::filesystem::directory_iterator it(proc / "fd", ec), end; !ec && it != end; it.increment(ec))
        ++descriptors;
    if (ec) return std::nullopt;
    return ProcessFigures{descriptors, *threads, *resident, *anonymous};
}

std::string Describe(const ProcessFigures& figures) {
    return "fds " + std::to_string(figures.descriptors) + ", threads " + std::to_string(figures.threads) + ", rss " +
           std::to_string(figures.residentKiB) + " KiB";
}

std::optional<ProcessFigures> WaitForFigures(pid_t pid, const std::function<bool(const ProcessFigures&)>& settled,
                                             std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto figures = ReadProcessFigures(pid);
        if (!figures || settled(*figures) || std::chrono::steady_clock::now() >= deadline) return figures;
        // The kernel tells no one when a thread ends or a descriptor closes: look again shortly.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace testsupport
