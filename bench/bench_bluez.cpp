// The BlueZ backend's own cost, against a fake bluetoothd on a private bus: a discovery that
// finds 200 devices, and the link polls the engine's monitor makes every few seconds for each
// device (answered from the object cache: the D-Bus calls per poll are counted, target none).
// Without dbus-daemon or python3-dbusmock everything is skipped.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bluez/bluez_backend.h"
#include "platform/bluetooth/bt_backend.h"
#include "platform/registry/registry.h"
#include "../tests/support/fake_bluez.h"

namespace {

constexpr int kDevices = 200;

std::string DeviceAddress(int index) {
    char text[18];
    std::snprintf(text, sizeof text, "00:12:AB:00:%02X:%02X", index >> 8, index & 0xFF);
    return text;
}

// The fake and the installed backend, made once for the whole run.
testsupport::FakeBlueZ* Fake() {
    static testsupport::FakeBlueZ* fake = [] {
        char home[] = "/tmp/nimbrel-bench-XXXXXX";
        setenv("NIMBREL_HOME", mkdtemp(home), 1);  // before the registry's first use
        auto* made = new testsupport::FakeBlueZ;
        if (!made->Start()) return static_cast<testsupport::FakeBlueZ*>(nullptr);
        for (int i = 0; i < kDevices; ++i)
            made->AddDevice(DeviceAddress(i), {.name = "Device " + std::to_string(i), .deviceClass = 0x5A020C});
        // Long enough that every discovery ends by finding all, not by running out of time.
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"software\\Trevanix\\Nimbrel", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr);
        const DWORD lengthMs = 60000;
        RegSetValueExW(key, L"Inquiry Length", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&lengthMs), sizeof lengthMs);
        RegCloseKey(key);
        std::string error;
        if (!bluez::InstallBlueZ(10000, &error)) {
            std::fprintf(stderr, "bench_bluez: %s\n", error.c_str());
            return static_cast<testsupport::FakeBlueZ*>(nullptr);
        }
        return made;
    }();
    return fake;
}

void BM_DiscoveryOf200Devices(benchmark::State& state) {
    if (!Fake()) return state.SkipWithError("no fake bluetoothd");
    auto backend = bth::InstalledBackend();
    for (auto _ : state) {
        bth::LookupId lookup = 0;
        if (backend->BeginInquiry(&lookup) != 0) return state.SkipWithError("the discovery did not start");
        bth::InquiryDevice device;
        int found = 0;
        while (found < kDevices && backend->NextInquiryDevice(lookup, &device) == 0) ++found;
        backend->EndLookup(lookup);
        if (found != kDevices) return state.SkipWithError("not every device was found");
    }
    state.counters["devices"] = kDevices;
}
BENCHMARK(BM_DiscoveryOf200Devices)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LinkPoll(benchmark::State& state) {
    testsupport::FakeBlueZ* fake = Fake();
    if (!fake) return state.SkipWithError("no fake bluetoothd");
    auto backend = bth::InstalledBackend();
    const unsigned before = fake->CallCount().value_or(0);
    std::vector<bth::BasebandLink> links;
    for (auto _ : state) benchmark::DoNotOptimize(backend->ReadBasebandLinks(&links));
    const unsigned calls = fake->CallCount().value_or(0) - before;
    state.counters["dbus_calls_per_poll"] = static_cast<double>(calls) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_LinkPoll)->Iterations(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
