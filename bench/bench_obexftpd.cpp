// 20 MB fetched from and sent to a real OBEX server, Debian's obexftpd on TCP port 650, through
// the engine's File Transfer client and a service bridged to that port, beside obexftp, the
// server's own client, moving the same file. Each run has a server of its own (obexftpd serves
// one connection); for the engine only the transfer is timed, not the server's start, the
// connection or the listing, while obexftp and the console host (`nimbrelctl get` and `put`)
// are timed as whole commands. Without obexftpd (or with port 650 taken) all are skipped. The
// engine's runs are made twice: on the simulated radio, whose service bridges to the port, and
// (where the BlueZ backend is built) on BlueZ against the tests' fake bluetoothd, whose profile
// socket is relayed to the port by the fake.
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
#ifdef NIMBREL_BENCH_OVER_BLUEZ
#include "bluez/bluez_backend.h"
#include "platform/bluetooth/bt_backend.h"
#include "../tests/support/fake_bluez.h"
#endif

namespace {

constexpr std::size_t kFileBytes = 20 * 1024 * 1024;
constexpr BT_ADDR kServerDevice = 0x000000000005;
constexpr const char* kObexftp = "/usr/bin/obexftp";
// A device whose File Transfer service is bridged to the port.
constexpr const char* kBridgedWorld = R"({"devices": [{"name": "Server", "address": "00:00:00:00:00:05", "services": [
                                          {"profile": "ftp", "obex_tcp": "127.0.0.1:650"}]}]})";

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
        world = home / "world.json";
        std::ofstream(world) << kBridgedWorld;
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
    std::filesystem::path world;     // kBridgedWorld, for the console host

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

// The simulated radio, with a File Transfer service bridged to the port.
bool InstallBridgedRadio(std::string*) {
    sim::World world;
    sim::ParseWorld(kBridgedWorld, "bench", &world, nullptr);
    sim::InstallSimulatedRadio(world);
    return true;
}

#ifdef NIMBREL_BENCH_OVER_BLUEZ
// BlueZ, the fake bluetoothd relaying the device's File Transfer profile to the port. Both are
// made once for the whole run, as a host does (a second backend would find the first one's
// profiles still registered), so the BlueZ runs come last.
bool InstallRelayedBlueZ(std::string* why) {
    static std::string problem;
    static const bool installed = [] {
        auto* fake = new testsupport::FakeBlueZ;
        if (!fake->Start() || !fake->AddDevice("00:00:00:00:00:05", {.name = "Server", .uuids = {"1106"},
                                                                     .endpoint = "tcp:127.0.0.1:650", .paired = true})) {
            problem = "no fake bluetoothd (dbus-daemon and python3-dbusmock)";
            return false;
        }
        return bluez::InstallBlueZ(10000, &problem);
    }();
    *why = problem;
    if (installed && bth::InstalledBackend()->Describe().rfind("bluez", 0) != 0) {
        *why = "the simulated radio was installed after BlueZ (run without random interleaving)";
        return false;
    }
    return installed;
}
#endif

// On the radio `install` puts in place, `transfer` moves the file between `folders` and the
// root folder of a session with a server of its own; false when it failed.
template <class Transfer>
void RunThroughEngine(benchmark::State& state, bool (*install)(std::string*), Transfer transfer) {
    if (const std::string missing = testsupport::ObexftpdMissing(); !missing.empty()) return Skip(state, missing);
    Folders folders;
    if (std::string why; !install(&why)) return Skip(state, why);
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

bool Fetch(CFtpFolder& root, const Folders& folders) {
    auto* file = static_cast<CFtpFile*>(root.arElements[0]);
    return file->GetFile(nullptr, 0) && file->WaitForTransfer() &&
           std::filesystem::file_size(folders.downloads / "big.bin") == kFileBytes;
}

bool Send(CFtpFolder& root, const Folders& folders) {
    return root.PutFile(folders.outgoing.wstring().c_str(), nullptr, 0) && root.WaitForTransfer();
}

void BM_FetchFromObexftpdThroughEngine(benchmark::State& state) { RunThroughEngine(state, InstallBridgedRadio, Fetch); }
BENCHMARK(BM_FetchFromObexftpdThroughEngine)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_SendToObexftpdThroughEngine(benchmark::State& state) { RunThroughEngine(state, InstallBridgedRadio, Send); }
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

// `program` with the arguments `argumentsFor` the folders gives, against a server of its own,
// timed whole: start, connection and exit included.
template <class Arguments>
void RunCommand(benchmark::State& state, const char* program, Arguments argumentsFor) {
    if (const std::string missing = testsupport::ObexftpdMissing(); !missing.empty()) return Skip(state, missing);
    if (::access(program, X_OK) != 0) return Skip(state, std::string(program) + " is not there");
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
            std::vector<const char*> argv{program};
            for (const std::string& argument : arguments) argv.push_back(argument.c_str());
            argv.push_back(nullptr);
            ::execv(program, const_cast<char* const*>(argv.data()));
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(client, &status, 0);
        timing.Finish(state, &serverCpu, &wall);
        if (!WIFEXITED(status) || WEXITSTATUS(status) == 127) return state.SkipWithError("the command did not run");
        std::filesystem::remove(folders.downloads / "big.bin");
    }
    Report(state, serverCpu, wall);
}

// obexftp 0.24 takes the whole object from obexftpd but then reports a failure and keeps no
// file (the server ends the object with a Body rather than an End-of-Body); its time is still
// that of the whole transfer.
void BM_FetchFromObexftpdByObexftp(benchmark::State& state) {
    RunCommand(state, kObexftp, [](const Folders& folders) {
        return std::vector<std::string>{"-n", "127.0.0.1", "-o", (folders.downloads / "big.bin").string(), "-g",
                                        "big.bin"};
    });
}
BENCHMARK(BM_FetchFromObexftpdByObexftp)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_SendToObexftpdByObexftp(benchmark::State& state) {
    RunCommand(state, kObexftp, [](const Folders& folders) {
        return std::vector<std::string>{"-n", "127.0.0.1", "-p", folders.outgoing.string()};
    });
}
BENCHMARK(BM_SendToObexftpdByObexftp)->Unit(benchmark::kMillisecond)->UseManualTime();

#ifdef NIMBRELCTL_PATH
// The console host as a user runs it, on a world file with the bridged service.
std::vector<std::string> Nimbrelctl(const Folders& folders, std::vector<std::string> command) {
    std::vector<std::string> arguments{"--backend", "sim", "--world", folders.world.string()};
    arguments.insert(arguments.end(), command.begin(), command.end());
    return arguments;
}

void BM_FetchFromObexftpdByNimbrelctl(benchmark::State& state) {
    RunCommand(state, NIMBRELCTL_PATH, [](const Folders& folders) {
        return Nimbrelctl(folders, {"get", "00:00:00:00:00:05", "big.bin", "--to", folders.downloads.string()});
    });
}
BENCHMARK(BM_FetchFromObexftpdByNimbrelctl)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_SendToObexftpdByNimbrelctl(benchmark::State& state) {
    RunCommand(state, NIMBRELCTL_PATH, [](const Folders& folders) {
        return Nimbrelctl(folders, {"put", "00:00:00:00:00:05", "/", folders.outgoing.string()});
    });
}
BENCHMARK(BM_SendToObexftpdByNimbrelctl)->Unit(benchmark::kMillisecond)->UseManualTime();
#endif

#ifdef NIMBREL_BENCH_OVER_BLUEZ
void BM_FetchFromObexftpdThroughEngineOnBlueZ(benchmark::State& state) {
    RunThroughEngine(state, InstallRelayedBlueZ, Fetch);
}
BENCHMARK(BM_FetchFromObexftpdThroughEngineOnBlueZ)->Unit(benchmark::kMillisecond)->UseManualTime();

void BM_SendToObexftpdThroughEngineOnBlueZ(benchmark::State& state) {
    RunThroughEngine(state, InstallRelayedBlueZ, Send);
}
BENCHMARK(BM_SendToObexftpdThroughEngineOnBlueZ)->Unit(benchmark::kMillisecond)->UseManualTime();
#endif

}  // namespace

BENCHMARK_MAIN();
