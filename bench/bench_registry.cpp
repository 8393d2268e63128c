// Registry costs: writing one value and flushing it to disk, and reading one value back.
// The registry file goes into a fresh temporary folder, never the user's own.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>

#include "platform/registry/registry.h"

namespace {

HKEY BenchKey() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"software\\Trevanix\\Nimbrel\\Bench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    return key;
}

void BM_WriteAndFlushOneValue(benchmark::State& state) {
    HKEY key = BenchKey();
    DWORD counter = 0;
    for (auto _ : state) {
        ++counter;
        LONG result = RegSetValueExW(key, L"Scan Period", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&counter), 4);
        if (result == ERROR_SUCCESS) result = RegFlushKey(key);
        if (result != ERROR_SUCCESS) state.SkipWithError("registry write failed");
    }
    RegCloseKey(key);
}
BENCHMARK(BM_WriteAndFlushOneValue);

void BM_ReadOneValue(benchmark::State& state) {
    HKEY key = BenchKey();
    const wchar_t name[] = L"Phone";
    RegSetValueExW(key, L"0012ab34cd56_Paired", 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                   static_cast<DWORD>(std::size(name) * 2));
    wchar_t buffer[64];
    for (auto _ : state) {
        DWORD type = 0, size = sizeof buffer / 2;
        if (RegQueryValueExW(key, L"0012ab34cd56_Paired", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS)
            state.SkipWithError("registry read failed");
        benchmark::DoNotOptimize(buffer);
    }
    RegCloseKey(key);
}
BENCHMARK(BM_ReadOneValue);

}  // namespace

int main(int argc, char** argv) {
    std::string home = (std::filesystem::temp_directory_path() / "nimbrel-bench-XXXXXX").string();
    if (!mkdtemp(home.data())) return 1;
    setenv("NIMBREL_HOME", home.c_str(), 1);  // before the registry's first use
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    std::filesystem::remove_all(home, ec);
    return 0;
}
