// 20 MB fetched from a real OBEX server, Debian's obexftpd on TCP port 650, through the engine's
// File Transfer client and a service bridged to that port, beside obexftp, the server's own
// client, fetching the same file. Each run has a server of its own (obexftpd serves one
// connection); only the transfer is timed, not the server's start, the connection or the listing.
// Without obexftpd (or with port 650 taken) both are skipped.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine/device/device_distant.h"
#include "engine/obex/client_ftp.h"
#include "sim/simulated_radio.h"
#include "../tests/engine/connection_attempt.h"
#include "../tests/support/obexftpd_server.h"

namespace {

constexpr std::size_t kFileBytes = 20 * 1024 * 1024;
constexpr BT_ADDR kServerDevice = 0x000000000005;
constexpr const char* kObexftp = "/usr/bin/obexftp";

// Marks the run skipped where the benchmark library knows the state, else as an error whose
// text says so; the program's result is a success either way.
template <class State>
void Skip(State& state, const std::string& why) {
    if constexpr (requires { state.SkipWithMessage(why); })
        state.SkipWithMessage(why);
    else
        state.SkipWithError(("skipped: " + why).c_str());
}

// A private data folder: the served folder with the file, and a folder to fetch into.
struct Folders {
    Folders() {
        char pattern[] = "/tmp/nimbrel-bench-XXXXXX";
        home = mkdtemp(pattern);
        served = home / "served";
        downloads = home / "downloads";
        setenv("NIMBREL_HOME", home.c_str(), 1);
        std::filesystem::create_directories(served);
        std::filesystem::create_directories(downloads);
        std::ofstream out(served / "big.bin", std::ios::binary);
        const std::string block(64 * 1024, 'x');
        for (std::size_t written = 0; written < kFileBytes; written += block.size()) out << block;
    }
    ~Folders() { std::filesystem::remove_all(home); }
    std::filesystem::path home;
    std::filesystem::path served;
    std::filesystem::path downloads;
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_FetchFromObexftpdThroughEngine(benchmark::State& state) {
    if (const std::string missing = testsupport::ObexftpdMissing(); !missing.empty()) return Skip(state, missing);
    Folders folders;
    sim::World world;
    sim::ParseWorld(R"({"devices": [{"name": "Server", "address": "00:00:00:00:00:05", "services": [
                        {"profile": "ftp", "obex_tcp": "127.0.0.1:650"}]}]})",
                    "bench", &world, nullptr);
    sim::InstallSimulatedRadio(world);
    for (auto _ : state) {
        const testsupport::ObexftpdServer server(folders.served);
        if (!server.listening()) return state.SkipWithError("obexftpd did not start");
        CDeviceDistant device(kServerDevice, L"Server", 0, 0);
        auto* ftp = static_cast<CClientFtp*>(device.AddDistantService(SERVICE_ID_FTP, NO_COM_PORT));
        ftp->SetPath(folders.downloads.wstring().c_str());
        ftp->Connect();
        testsupport::AttemptEnded(*ftp);
        CFtpFolder* root = ftp->GetFolder();
        if (!ftp->IsConnected() || !root->Browse() || root->arElements.IsEmpty())
            return state.SkipWithError("no connection to obexftpd");
        auto* file = static_cast<CFtpFile*>(root->arElements[0]);
        const auto start = std::chrono::steady_clock::now();
        if (!file->GetFile(nullptr, 0) || !file->WaitForTransfer()) return state.SkipWithError("the fetch failed");
        state.SetIterationTime(SecondsSince(start));
        if (std::filesystem::file_size(folders.downloads / "big.bin") != kFileBytes)
            return state.SkipWithError("the fetched file is incomplete");
        ftp->Disconnect();
        std::filesystem::remove(folders.downloads / "big.bin");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_FetchFromObexftpdThroughEngine)->Unit(benchmark::kMillisecond)->UseManualTime();

// obexftp 0.24 takes the whole object from obexftpd but then reports a failure and keeps no
// file (the server ends the object with a Body rather than an End-of-Body); its time is still
// that of the whole transfer, and its own connection is a small part of it.
void BM_FetchFromObexftpdByObexftp(benchmark::State& state) {
    if (const std::string missing = testsupport::ObexftpdMissing(); !missing.empty()) return Skip(state, missing);
    if (::access(kObexftp, X_OK) != 0) return Skip(state, "obexftp is not installed");
    Folders folders;
    const std::string output = (folders.downloads / "big.bin").string();
    for (auto _ : state) {
        const testsupport::ObexftpdServer server(folders.served);
        if (!server.listening()) return state.SkipWithError("obexftpd did not start");
        const auto start = std::chrono::steady_clock::now();
        const pid_t client = ::fork();
        if (client == 0) {
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
            ::execl(kObexftp, "obexftp", "-n", "127.0.0.1", "-o", output.c_str(), "-g", "big.bin",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(client, &status, 0);
        state.SetIterationTime(SecondsSince(start));
        if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) return state.SkipWithError("obexftp did not run");
        std::filesystem::remove(output);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
}
BENCHMARK(BM_FetchFromObexftpdByObexftp)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
