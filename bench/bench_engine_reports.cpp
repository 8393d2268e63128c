// Cost of the engine's two channels to its host: a notification to a registered callback, a
// synchronous error report to a callback, and the latency of a queued report from PostError
// to its delivery on the dispatcher thread (median and 99th percentile).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"

namespace {

std::atomic<long> g_count{0};
std::atomic<long long> g_deliveredAt{0};

int CountNotification(NOTIFY_VALUE, NOTIFY_VALUE) {
    g_count.fetch_add(1, std::memory_order_relaxed);
    return 0;
}

int CountError(int, const wchar_t*, const wchar_t*, void*) {
    g_deliveredAt.store(std::chrono::steady_clock::now().time_since_epoch().count(), std::memory_order_release);
    g_count.fetch_add(1, std::memory_order_release);
    return 0;
}

void BM_FireNotification(benchmark::State& state) {
    NIMBRL_RegisterCallback(NOTIFY_DEVICE_ADDED, &CountNotification, 0);
    for (auto _ : state) benchmark::DoNotOptimize(FireNotification(NOTIFY_DEVICE_ADDED, 0));
}
BENCHMARK(BM_FireNotification);

void BM_RaiseError(benchmark::State& state) {
    NewError(790001, L"benchmark error");
    AddCommunication(790001, NewCallBack(&CountError), ERROR_TYPE_ERROR);
    for (auto _ : state) RaiseError(790001, L"Bench::RaiseError");
}
BENCHMARK(BM_RaiseError);

void BM_PostErrorLatency(benchmark::State& state) {
    NewError(790002, L"benchmark posted error");
    AddCommunication(790002, NewCallBack(&CountError), ERROR_TYPE_ERROR);
    std::vector<double> latencies;
    for (auto _ : state) {
        long before = g_count.load(std::memory_order_acquire);
        auto start = std::chrono::steady_clock::now();
        PostError(790002, L"Bench::PostError");
        while (g_count.load(std::memory_order_acquire) == before) {
        }
        auto delivered = std::chrono::steady_clock::time_point(
            std::chrono::steady_clock::duration(g_deliveredAt.load(std::memory_order_acquire)));
        latencies.push_back(std::chrono::duration<double, std::micro>(delivered - start).count());
    }
    std::sort(latencies.begin(), latencies.end());
    if (!latencies.empty()) {
        state.counters["median_us"] = latencies[latencies.size() / 2];
        state.counters["p99_us"] = latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    }
}
BENCHMARK(BM_PostErrorLatency)->Iterations(5000);

}  // namespace

BENCHMARK_MAIN();
