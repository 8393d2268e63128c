// A file through the engine's OBEX clients and their 64-byte block loops to the simulated
// servers with no link limit: a PUT (object push) and a GET (file transfer fetch) of 20 MB for
// the rate, and one of 100 MB whose counters tell how much resident memory grew while it moved:
// `rss_growth_MB` from before to after the run, `rss_peak_growth_MB` from before to the highest
// point during it. A transfer streams, so neither may follow the size of the file.
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

constexpr std::size_t kMegabyte = 1024 * 1024;
constexpr BT_ADDR kPhone = 0x0012AB34CD56;

// "VmRSS" (now) or "VmHWM" (the highest since the last ResetPeakResident), in megabytes.
double ResidentMegabytes(const std::string& field = "VmRSS") {
    std::ifstream status("/proc/self/status");
    for (std::string name; status >> name;) {
        if (name == field + ":") {
            double kilobytes = 0;
            status >> kilobytes;
            return kilobytes / 1024.0;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

void ResetPeakResident() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Resident memory from here to the end of the run.
class ResidentGrowth {
public:
    ResidentGrowth() : before_(ResidentMegabytes()) { ResetPeakResident(); }
    void Report(benchmark::State& state) const {
        state.counters["rss_growth_MB"] = ResidentMegabytes() - before_;
        state.counters["rss_peak_growth_MB"] = ResidentMegabytes("VmHWM") - before_;
    }

private:
    double before_;
};

// A private data folder with the file to move, and the phone serving it.
struct Neighbourhood {
    explicit Neighbourhood(std::size_t fileBytes) {
        char pattern[] = "/tmp/nimbrel-bench-XXXXXX";
        home = mkdtemp(pattern);
        setenv("NIMBREL_HOME", home.c_str(), 1);
        std::filesystem::create_directories(home / "root");
        file = home / "big.bin";
        std::ofstream out(file, std::ios::binary);
        std::string block(64 * 1024, 'x');
        for (std::size_t written = 0; written < fileBytes; written += block.size()) out << block;
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
    const std::size_t fileBytes = static_cast<std::size_t>(state.range(0)) * kMegabyte;
    Neighbourhood world(fileBytes);
    CDeviceDistant device(kPhone, L"Phone", 0, 0);
    auto* opp = Connected<CClientOpp>(device, SERVICE_ID_OPP);
    const ResidentGrowth growth;
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
    growth.Report(state);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fileBytes));
}
BENCHMARK(BM_PushThroughEngine)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PushThroughEngine)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FetchThroughEngine(benchmark::State& state) {
    const std::size_t fileBytes = static_cast<std::size_t>(state.range(0)) * kMegabyte;
    Neighbourhood world(fileBytes);
    CDeviceDistant device(kPhone, L"Phone", 0, 0);
    auto* ftp = Connected<CClientFtp>(device, SERVICE_ID_FTP);
    const auto downloads = world.home / "downloads";
    ftp->SetPath(downloads.wstring().c_str());
    ftp->GetFolder()->Browse();
    auto* file = static_cast<CFtpFile*>(ftp->GetFolder()->arElements[0]);
    const ResidentGrowth growth;
    for (auto _ : state) {
        if (!file->GetFile(nullptr, 0) || !file->WaitForTransfer()) {
            state.SkipWithError("the fetch failed");
            break;
        }
        state.PauseTiming();  // as for the push: the next run writes a new file, not over this one
        std::filesystem::remove(downloads / "big.bin");
        state.ResumeTiming();
    }
    growth.Report(state);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * fileBytes));
}
BENCHMARK(BM_FetchThroughEngine)->Arg(20)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FetchThroughEngine)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
