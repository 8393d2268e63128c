// 20 MB fetched from and sent to a real OBEX server, Debian's obexftpd on TCP port 650, through
// the engine's File Transfer client and a service bridged to that port, beside obexftp, the
// server's own client, moving the same file. Each run has a server of its own (obexftpd serves
// one connection); for the engine only the transfer is timed, not the server's start, the
// connection or the listing. Without obexftpd (or with port 650 taken) all are skipped.
//
// obexftpd answers in packets of 1 KB whatever the client offers, so every client makes about
// 20,500 request/answer round trips and waits for the server's work in each. "server_busy" is
// the share of the transfer's time the server spent computing: no client can move the file
// faster than 1 / server_busy times the speed of the one measured.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/device/device_distant.h"
#include "engine/obex/client_ftp.h"
#include "platform/kernel/unique_fd.h"
#include "platform/obex/obex_packet.h"
#include "platform/obex/obex_codes.h"
#include "sim/obex/obex_server.h"
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
        outgoing = home / "up.bin";
        setenv("NIMBREL_HOME", home.c_str(), 1);
        std::filesystem::create_directories(served);
        std::filesystem::create_directories(downloads);
        WriteFile(served / "big.bin");
        WriteFile(outgoing);
    }
    ~Folders() { std::filesystem::remove_all(home); }
    std::filesystem::path home;
    std::filesystem::path served;
    std::filesystem::path downloads;
    std::filesystem::path outgoing;  // the file sent

private:
    static void WriteFile(const std::filesystem::path& path) {
        std::ofstream out(path, std::ios::binary);
        const std::string block(64 * 1024, 'x');
        for (std::size_t written = 0; written < kFileBytes; written += block.size()) out << block;
    }
};

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// One timed transfer: its time and the server's processor time during it.
class Timing {
public:
    explicit Timing(const testsupport::ObexftpdServer& server)
        : server_(server), serverCpuAtStart_(server.CpuSeconds()) {}
    // Counts the transfer as one iteration's time.
    template <class State>
    void Finish(State& state, double* serverCpu, double* wall) {
        const double seconds = SecondsSince(start_);
        state.SetIterationTime(seconds);
        *wall += seconds;
        *serverCpu += server_.CpuSeconds() - serverCpuAtStart_;
    }

private:
    const testsupport::ObexftpdServer& server_;
    const double serverCpuAtStart_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

void Report(benchmark::State& state, double serverCpu, double wall) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFileBytes));
    if (wall > 0) state.counters["server_busy"] = serverCpu / wall;
}

// `transfer` moves the file between `folders` and the root folder of a session with a server of
// its own; false when it failed.
template <class Transfer>
void RunThroughEngine(benchmark::State& state, Transfer transfer) {
    if (const std::string missing = testsupport::ObexftpdMissing(); !missing.empty()) return Skip(state, missing);
    Folders folders;
    sim::World world;
    sim::ParseWorld(R"({"devices": [{"name": "Server", "address": "00:00:00:00:00:05", "services": [
                        {"profile": "ftp", "obex_tcp": "127.0.0.1:650"}]}]})",
                    "bench", &world, nullptr);
    sim::InstallSimulatedRadio(world);
    double serverCpu = 0, wall = 0;
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
        Timing timing(server);
        if (!transfer(*root, folders)) return state.SkipWithError("the transfer failed");
        timing.Finish(state, &serverCpu, &wall);
        ftp->Disconnect();
        std::filesystem::remove(folders.downloads / "big.bin");
    }
    Report(state, serverCpu, wall);
}

void BM_FetchFromObexftpdThroughEngine(benchmark::State& state) {
    RunThroughEngine(state, [](CFtpFolder& root, const Folders& folders) {
        auto* file = static_cast<CFtpFile*>(root.arElements[0]);
        return file->GetFile(nullptr, 0) && file->WaitForTransfer() &&
               std::filesystem::file_size(folders.downloads / "big.bin") == kFileBytes;
    });
}
BENCHMARK(BM_FetchFromObexftpdThroughEngine)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_SendToObexftpdThroughEngine(benchmark::State& state) {
    RunThroughEngine(state, [](CFtpFolder& root, const Folders& folders) {
        return root.PutFile(folders.outgoing.wstring().c_str(), nullptr, 0) && root.WaitForTransfer();
    });
}
BENCHMARK(BM_SendToObexftpdThroughEngine)->Unit(benchmark::kMillisecond)->UseManualTime();

// The least a client can do: one thread, a blocking socket, each GET sent the moment the last
// answer is in, the body counted and dropped. What the server allows any client at most.
class BareFetch {
public:
    // Connects to the Folder Browsing service; false when that failed.
    bool Connect() {
        socket_ = platform::UniqueFd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_port = htons(testsupport::kObexftpdPort);
        server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(socket_.get(), reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) return false;
        const int one = 1;
        ::setsockopt(socket_.get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        obex::Request connect;
        connect.opcode = obex::Opcode::Connect;
        connect.headers = {obex::Header::Target(obex::kFolderBrowsingTarget)};
        obex::Response answer;
        if (!Exchange(connect, true, &answer) || answer.code != obex::ResponseCode::Success) return false;
        for (const obex::Header& header : answer.headers)
            if (header.id() == obex::hid::kConnectionId && header.quad()) connectionId_ = *header.quad();
        return true;
    }
    // The size of the object named `name`, or 0 when the fetch failed.
    std::size_t Fetch(const std::wstring& name) {
        obex::Request get;  // a GET by default
        get.headers = {obex::Header::ConnectionId(connectionId_), obex::Header::Name(name)};
        std::size_t size = 0;
        for (;;) {
            obex::Response answer;
            if (!Exchange(get, false, &answer)) return 0;
            for (const obex::Header& header : answer.headers)
                if (header.bytes() && (header.id() == obex::hid::kBody || header.id() == obex::hid::kEndOfBody))
                    size += header.bytes()->size();
            if (answer.code == obex::ResponseCode::Success) return size;
            if (answer.code != obex::ResponseCode::Continue) return 0;
            get.headers.clear();
        }
    }

private:
    bool Exchange(const obex::Request& request, bool toConnect, obex::Response* answer) {
        if (obex::EncodeRequest(request, &packet_) != obex::CodecError::None ||
            ::send(socket_.get(), packet_.data(), packet_.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(packet_.size()))
            return false;
        packet_.resize(3);
        if (!ReceiveAll(packet_.data(), 3)) return false;
        const std::size_t length = obex::PacketLengthField(packet_.data());
        if (length < 3) return false;
        packet_.resize(length);
        return ReceiveAll(packet_.data() + 3, length - 3) &&
               obex::DecodeResponse(packet_, toConnect, answer) == obex::CodecError::None;
    }
    bool ReceiveAll(std::uint8_t* data, std::size_t size) {
        while (size > 0) {
            const ssize_t got = ::recv(socket_.get(), data, size, 0);
            if (got <= 0) return false;
            data += got;
            size -= static_cast<std::size_t>(got);
        }
        return true;
    }

    platform::UniqueFd socket_;
    std::uint32_t connectionId_ = 0;
    obex::Bytes packet_;
};

void BM_FetchFromObexftpdByBareLoop(benchmark::State& state) {
    if (const std::string missing = testsupport::ObexftpdMissing(); !missing.empty()) return Skip(state, missing);
    Folders folders;
    double serverCpu = 0, wall = 0;
    for (auto _ : state) {
        const testsupport::ObexftpdServer server(folders.served);
        if (!server.listening()) return state.SkipWithError("obexftpd did not start");
        BareFetch client;
        if (!client.Connect()) return state.SkipWithError("no connection to obexftpd");
        Timing timing(server);
        if (client.Fetch(L"big.bin") != kFileBytes) return state.SkipWithError("the fetch failed");
        timing.Finish(state, &serverCpu, &wall);
    }
    Report(state, serverCpu, wall);
}
BENCHMARK(BM_FetchFromObexftpdByBareLoop)->Unit(benchmark::kMillisecond)->UseManualTime();

// obexftp with the arguments `argumentsFor` the folders gives, after "-n 127.0.0.1", against a
// server of its own, timed whole (its own connection is a small part of it).
template <class Arguments>
void RunObexftp(benchmark::State& state, Arguments argumentsFor) {
    if (const std::string missing = testsupport::ObexftpdMissing(); !missing.empty()) return Skip(state, missing);
    if (::access(kObexftp, X_OK) != 0) return Skip(state, "obexftp is not installed");
    Folders folders;
    const std::vector<std::string> arguments = argumentsFor(folders);
    double serverCpu = 0, wall = 0;
    for (auto _ : state) {
        const testsupport::ObexftpdServer server(folders.served);
        if (!server.listening()) return state.SkipWithError("obexftpd did not start");
        Timing timing(server);
        const pid_t client = ::fork();
        if (client == 0) {
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, 1);
            ::dup2(quiet, 2);
            std::vector<const char*> argv{"obexftp", "-n", "127.0.0.1"};
            for (const std::string& argument : arguments) argv.push_back(argument.c_str());
            argv.push_back(nullptr);
            ::execv(kObexftp, const_cast<char* const*>(argv.data()));
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(client, &status, 0);
        timing.Finish(state, &serverCpu, &wall);
        if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) return state.SkipWithError("obexftp did not run");
        std::filesystem::remove(folders.downloads / "big.bin");
    }
    Report(state, serverCpu, wall);
}

// obexftp 0.24 takes the whole object from obexftpd but then reports a failure and keeps no
// file (the server ends the object with a Body rather than an End-of-Body); its time is still
// that of the whole transfer.
void BM_FetchFromObexftpdByObexftp(benchmark::State& state) {
    RunObexftp(state, [](const Folders& folders) {
        return std::vector<std::string>{"-o", (folders.downloads / "big.bin").string(), "-g", "big.bin"};
    });
}
BENCHMARK(BM_FetchFromObexftpdByObexftp)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_SendToObexftpdByObexftp(benchmark::State& state) {
    RunObexftp(state, [](const Folders& folders) { return std::vector<std::string>{"-p", folders.outgoing.string()}; });
}
BENCHMARK(BM_SendToObexftpdByObexftp)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();
