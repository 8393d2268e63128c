// Engine overhead of discovery with a radio that takes no time: a device discovery that
// finds 200 devices, and one device's four SDP searches.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

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

std::string World(int devices) {
    std::string json = R"({"devices": [)";
    for (int i = 0; i < devices; ++i) {
        char device[200];
        std::snprintf(device, sizeof device,
                      R"(%s{"name": "Device %d", "address": "00:00:00:00:%02X:%02X", "class": "0x5A020C",
                         "services": [{"profile": "ftp"}, {"profile": "spp"}, {"profile": "opp"}, {"profile": "dun"}]})",
                      i ? "," : "", i, (i >> 8) & 0xFF, i & 0xFF);
        json += device;
    }
    return json + "]}";
}

// The radio gets its world before the engine's first request.
bool UseWorld(int devices) {
    sim::World world;
    std::string error;
    if (!sim::ParseWorld(World(devices), "the benchmark world", &world, &error)) return false;
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

void BM_DiscoverTwoHundredDevices(benchmark::State& state) {
    Engine engine(200);
    for (auto _ : state) {
        engine.local.FindDevices();
        WaitForSingleObject(g_inquiryEnded, INFINITE);
        engine.local.EndInquiry();  // the thread is on its way out; the next search starts clean
    }
    state.counters["devices"] = static_cast<double>(engine.local.GetDevices().GetSize());
}
BENCHMARK(BM_DiscoverTwoHundredDevices)->Unit(benchmark::kMillisecond);

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
