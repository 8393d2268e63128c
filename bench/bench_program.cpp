// The whole program at scale, as a user runs it: the desktop program (offscreen, `nimbrel
// --search`) and the console host (`nimbrelctl connect`, which finds the devices first and then
// stays) each started as a process of its own on a world of 1000 devices. For each: the CPU
// (user and system) and wall time until it has found the devices (the program: and shows them),
// its threads and resident memory then, and its CPU while it sits idle afterwards, all read
// from /proc. Each runs once: the figures are of one start, not of a loop.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench_world.h"
#include "support/background_command.h"
#include "support/process_figures.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kDevices = 1000;
// Bounds the wait for a host to say it has found the devices.
constexpr auto kReadyTimeout = std::chrono::seconds(120);
// After that, what is still queued (the status bar's last ticks) is left to settle, then the
// host is watched doing nothing for the window.
constexpr auto kSettle = std::chrono::seconds(2);
constexpr auto kIdleWindow = std::chrono::seconds(15);

fs::path g_folder;  // this run's home, run-time folder and world file

std::string Text(const fs::path& path) {
    std::ifstream file(path);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// User and system CPU of the whole process (its ended threads included), in seconds.
double CpuSeconds(pid_t pid) {
    const std::string stat = Text("/proc/" + std::to_string(pid) + "/stat");
    const auto end = stat.rfind(')');
    if (end == std::string::npos) return 0;
    std::istringstream fields(stat.substr(end + 2));  // from the third field, the state, on
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) utime = std::stoull(field);
        if (index == 15) stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Time its live threads have run, in seconds, to the nanosecond (the scheduler's own count):
// what an idle window needs, where clock ticks are too coarse.
double RunSeconds(pid_t pid) {
    unsigned long long nanoseconds = 0;
    std::error_code error;
    for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        unsigned long long ran = 0;
        if (std::ifstream(task.path() / "schedstat") >> ran) nanoseconds += ran;
    }
    return static_cast<double>(nanoseconds) / 1e9;
}

// The line that says the host has found the devices, within the bound; none when it ended
// or said something else last.
std::optional<std::string> WaitForLine(testsupport::BackgroundCommand& host, const std::string& start) {
    const auto deadline = Clock::now() + kReadyTimeout;
    while (Clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        const std::optional<std::string> line = host.ReadLine(left);
        if (!line) return std::nullopt;
        if (line->rfind(start, 0) == 0) return line;
    }
    return std::nullopt;
}

// Starts `program`, waits for its line starting with `ready`, and reports what it took and
// what it costs idle.
void MeasureHost(benchmark::State& state, const std::string& program, const std::vector<std::string>& args,
                 const std::string& ready) {
    const std::vector<std::string> environment{
        "NIMBREL_HOME=" + (g_folder / "home").string(),
        "XDG_RUNTIME_DIR=" + (g_folder / "run").string(),
        "NIMBREL_WORLD=" + (g_folder / "world.json").string(),
        "NIMBREL_BACKEND=sim",
        "QT_QPA_PLATFORM=offscreen",
        "NIMBREL_DISMISS_DIALOGS=1",
        "DBUS_SESSION_BUS_ADDRESS=",
    };
    for (auto _ : state) {
        const auto started = Clock::now();
        testsupport::BackgroundCommand host(program, args, environment);
        if (!host.running()) return state.SkipWithError("the host could not be started");
        const std::optional<std::string> line = WaitForLine(host, ready);
        const double wall = std::chrono::duration<double>(Clock::now() - started).count();
        const pid_t pid = host.pid();
        const double cpu = CpuSeconds(pid);
        const std::optional<testsupport::ProcessFigures> busy = testsupport::ReadProcessFigures(pid);
        if (!line || !busy) {
            const std::string errors = host.Errors();
            return state.SkipWithError(("no '" + ready + "' line; " + errors.substr(0, 500)).c_str());
        }
        std::this_thread::sleep_for(kSettle);
        const double ranBefore = RunSeconds(pid);
        const auto idleStart = Clock::now();
        std::this_thread::sleep_for(kIdleWindow);
        const double idleRan = RunSeconds(pid) - ranBefore;
        const double idleWall = std::chrono::duration<double>(Clock::now() - idleStart).count();
        state.counters["cpu_s"] = cpu;
        state.counters["wall_s"] = wall;
        state.counters["threads"] = static_cast<double>(busy->threads);
        state.counters["idle_cpu_pct"] = 100.0 * idleRan / idleWall;
        const std::optional<testsupport::ProcessFigures> idle = testsupport::ReadProcessFigures(pid);
        if (!idle) return state.SkipWithError("the host ended while idle");
        // Resident in all, shared library pages included, and what is the process's own.
        state.counters["rss_mb"] = static_cast<double>(idle->residentKiB) / 1024.0;
        state.counters["rss_own_mb"] = static_cast<double>(idle->anonymousKiB) / 1024.0;
        state.counters["idle_threads"] = static_cast<double>(idle->threads);
        state.SetLabel(*line);
        state.SetIterationTime(wall);
        host.Stop();
    }
}

void BM_ProgramFindsAndShowsDevices(benchmark::State& state) {
    MeasureHost(state, NIMBREL_PROGRAM_PATH, {"--search"}, "found ");
}
BENCHMARK(BM_ProgramFindsAndShowsDevices)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

// `connect` finds every device before it connects to the second one's serial port, and then
// holds the port open until stopped, watching the link.
void BM_ConsoleHostFindsDevicesAndHoldsAPort(benchmark::State& state) {
    MeasureHost(state, NIMBRELCTL_PATH, {"connect", "00:00:00:00:00:01", "spp"}, "COM");
}
BENCHMARK(BM_ConsoleHostFindsDevicesAndHoldsAPort)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    g_folder = fs::temp_directory_path() / ("nimbrel-bench-program-" + std::to_string(::getpid()));
    fs::create_directories(g_folder / "home");
    fs::create_directories(g_folder / "run");
    ::chmod((g_folder / "run").c_str(), 0700);
    std::ofstream(g_folder / "world.json") << bench::WorldOfDevices(kDevices);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(g_folder);
    return 0;
}
