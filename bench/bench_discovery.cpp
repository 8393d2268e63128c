// Engine overhead of discovery with a radio that takes no time: a first device discovery of
// 100 to 5000 devices (with the engine's threads at the end), and one device's four SDP searches.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>

#include "bench_world.h"
#include "engine/device/device_local.h"
#include "engine/frame/notifications.h"
#include "platform/kernel/sync.h"
#include "sim/simulated_radio.h"

namespace {

HANDLE g_inquiryEnded = nullptr;

int InquiryEnded(NOTIFY_VALUE, NOTIFY_VALUE) {
    SetEvent(g_inquiryEnded);
    return 0;
}

// The radio gets its world before the engine's first request.
bool UseWorld(int devices) {
    sim::World world;
    std::string error;
    if (!sim::ParseWorld(bench::WorldOfDevices(devices), "the benchmark world", &world, &error)) return false;
    sim::InstallSimulatedRadio(world);
    return true;
}

struct Engine {
    bool ready;
    CDeviceLocal local;
    explicit Engine(int devices) : ready(UseWorld(devices)) {
        g_inquiryEnded = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        NIMBRL_RegisterCallback(NOTIFY_INQUIRY_END, &InquiryEnded, 0);
        local.Activate(1);
    }
    ~Engine() {
        NIMBRL_UnregisterCallback(NOTIFY_INQUIRY_END);
        local.Activate(0);
        CloseHandle(g_inquiryEnded);
    }
};

std::size_t Threads() {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                                  std::filesystem::directory_iterator{}));
}

// A first discovery, every device found new (its objects made, its monitor watching): the
// engine's cost should grow in step with the devices, its threads not at all.
void BM_DiscoverDevices(benchmark::State& state) {
    const int devices = static_cast<int>(state.range(0));
    std::size_t threads = 0, found = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto engine = std::make_unique<Engine>(devices);
        state.ResumeTiming();
        engine->local.FindDevices();
        WaitForSingleObject(g_inquiryEnded, INFINITE);
        state.PauseTiming();
        threads = Threads();
        found = static_cast<std::size_t>(engine->local.GetDevices().GetSize());
        engine->local.EndInquiry();
        engine.reset();
        state.ResumeTiming();
    }
    state.counters["devices"] = static_cast<double>(found);
    state.counters["threads"] = static_cast<double>(threads);
}
BENCHMARK(BM_DiscoverDevices)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_FourServiceSearches(benchmark::State& state) {
    Engine engine(1);
    CDeviceDistant* device = engine.local.addDevice(0, CString(), 0, 0);
    for (auto _ : state) {
        device->FindServices();
        WaitForSingleObject(g_inquiryEnded, INFINITE);
        device->EndInquiry();
    }
    state.counters["services"] = static_cast<double>(device->GetServices().GetSize());
}
BENCHMARK(BM_FourServiceSearches)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    auto home = std::filesystem::temp_directory_path() / ("nimbrel-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    setenv("NIMBREL_HOME", home.c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(home);
    return 0;
}
