// 20 MB through the engine's OBEX clients and their 64-byte block loops to the simulated
// servers with no link limit: a PUT (object push) and a GET (file transfer fetch), with the
// growth of resident memory over the run as a counter.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/device/device_distant.h"
#include "engine/obex/client_ftp.h"
#include "engine/obex/client_opp.h"
#include "sim/simulated_radio.h"
#include "../tests/engine/connection_attempt.h"

namespace {

constexpr std::size_t kFileBytes = 20 * 1024 * 1024;
constexpr BT_ADDR kPhone = 0x0012AB34CD56;

double ResidentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// A private data folder with the file to move, and the phone serving it.
struct Neighbourhood {
    Neighbourhood() {
        char pattern[] = "/tmp/nimbrel-bench-XXXXXX";
        home = mkdtemp(pattern);
        setenv("NIMBREL_HOME", home.c_str(), 1);
        std::filesystem::create_directories(home / "root");
        file = home / "big.bin";
        std::ofstream out(file, std::ios::binary);
        std::string block(64 * 1024, 'x');
        for (std::size_t written = 0; written < kFileBytes; written += block.size()) out << block;
        out.close();
        std::filesystem::copy_file(file, home / "root" / "big.bin");
        sim::World world;
        sim::ParseWorld(R"({"devices": [{"name": "Phone", "address": "00:12:AB:34:CD:56", "services": [
                            {"profile": "opp", "channel": 9}, {"profile": "ftp", "channel": 10, "root": ")" +
                            (home / "root").string() + R"("}]}]})",
                        "bench", &world, nullptr);
        sim::InstallSimulatedRadio(world);
    }
    ~Neighbourhood() { std::filesystem::remove_all(home); }
    std::filesystem::path home;
    std::filesystem::path file;
};

template <class Client>
Client* Connected(CDeviceDistant& device, unsigned int id) {
    auto* client = static_cast<Client*>(device.AddDistantService(id, NO_COM_PORT));
    client->Connect();
    testsupport::AttemptEnded(*client);
    return client;
}

void BM_PushThroughEngine(benchmark::State& state) {
    Neighbourhood world;
    CDeviceDistant device(kPhone, L"Phone", 0, 0);
    auto* opp = Connected<CClientOpp>(device, SERVICE_ID_OPP);
    const double before = ResidentMegabytes();
    for (auto _ : state) {
        if (!opp->PushObject(world.file.wstring().c_str(), nullptr, 0) || !opp->WaitForPush()) {
            state.SkipWithError("the push failed");
            break;
        }
        state.PauseTiming();
        for (const auto& pushed : std::filesystem::recursive_directory_iterator(world.home / "sim"))
            if (pushed.is_regular_file()) std::filesystem::remove(pushed.path());
        state.ResumeTiming();
    }
    state.counters["rss_growth_MB"] = ResidentMegabytes() - before;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_PushThroughEngine)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FetchThroughEngine(benchmark::State& state) {
    Neighbourhood world;
    CDeviceDistant device(kPhone, L"Phone", 0, 0);
    auto* ftp = Connected<CClientFtp>(device, SERVICE_ID_FTP);
    ftp->SetPath((world.home / "downloads").wstring().c_str());
    ftp->GetFolder()->Browse();
    auto* file = static_cast<CFtpFile*>(ftp->GetFolder()->arElements[0]);
    const double before = ResidentMegabytes();
    for (auto _ : state) {
        if (!file->GetFile(nullptr, 0) || !file->WaitForTransfer()) {
            state.SkipWithError("the fetch failed");
            break;
        }
    }
    state.counters["rss_growth_MB"] = ResidentMegabytes() - before;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_FetchThroughEngine)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
