// A COM port of the serial driver to the simulated laptop's echo service, as a serial program
// sees it (bytes per second, one-byte round trip), beside a bare pseudo-terminal whose master
// is echoed by one thread: the difference is the driver's pump and the link.
#include <benchmark/benchmark.h>

#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "platform/bluetooth/bt_port_params.h"
#include "platform/bluetooth/sdp_uuid.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/paths.h"
#include "platform/kernel/pty.h"
#include "sim/simulated_radio.h"
#include "../tests/support/pty_client.h"

namespace {

constexpr std::size_t kBlock = 4096;

// A raw terminal whose master sends back whatever arrives.
class BarePty {
public:
    BarePty() : pty_(platform::Pty::Open()), user_(pty_->slavePath()), thread_([this] { Echo(); }) {}
    ~BarePty() {
        stop_.Set();
        thread_.join();
    }
    int fd() const { return user_.fd(); }

private:
    void Echo() {
        std::uint8_t buffer[kBlock];
        pollfd waits[2] = {{pty_->master(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
        while (::poll(waits, 2, -1) >= 0 && !waits[1].revents) {
            const ssize_t n = ::read(pty_->master(), buffer, sizeof buffer);
            if (n > 0) platform::WriteAll(pty_->master(), buffer, static_cast<std::size_t>(n), stop_.get());
        }
    }
    std::unique_ptr<platform::Pty> pty_;
    testsupport::PtyClient user_;
    platform::WakeFd stop_;
    std::thread thread_;
};

// COM5 linked to the laptop's echo through the simulated radio.
class ComPort {
public:
    ComPort() {
        sim::World world;
        sim::ParseWorld(R"({"devices": [{"name": "Laptop", "address": "00:0E:9F:11:22:33",
                                         "services": [{"profile": "spp"}]}]})",
                        "bench", &world, nullptr);
        sim::InstallSimulatedRadio(world);
        PORTEMUPortParams params;
        params.device = 0x000E9F112233;
        params.uuidService = sdp::uuids::kSerialPort.ToGuid();
        cookie_ = std::make_unique<bth::PortParamsCookie>(params);
        device_ = RegisterDevice(L"COM", 5, L"btd.dll", cookie_->value());
        port_ = CreateFileW(L"COM5:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
        user_ = std::make_unique<testsupport::PtyClient>((platform::RuntimeFolder().path / "COM5").string());
    }
    ~ComPort() {
        user_.reset();
        CloseHandle(port_);
        DeregisterDevice(device_);
    }
    bool ok() const { return device_ && port_ != INVALID_HANDLE_VALUE && user_->ok(); }
    int fd() const { return user_->fd(); }

private:
    std::unique_ptr<bth::PortParamsCookie> cookie_;
    HANDLE device_ = nullptr;
    HANDLE port_ = INVALID_HANDLE_VALUE;
    std::unique_ptr<testsupport::PtyClient> user_;
};

bool RoundTrip(int fd, const char* data, std::size_t size) {
    if (::write(fd, data, size) != static_cast<ssize_t>(size)) return false;
    char buffer[kBlock];
    for (std::size_t got = 0; got < size;) {
        const ssize_t n = ::read(fd, buffer, size - got);
        if (n <= 0) return false;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

template <class Path>
void BM_Throughput(benchmark::State& state) {
    Path path;
    const std::string block(kBlock, 'x');
    for (auto _ : state)
        if (!RoundTrip(path.fd(), block.data(), block.size())) state.SkipWithError("echo lost");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlock));
}

template <class Path>
void BM_OneByteRoundTrip(benchmark::State& state) {
    Path path;
    for (auto _ : state)
        if (!RoundTrip(path.fd(), "a", 1)) state.SkipWithError("echo lost");
}

BENCHMARK_TEMPLATE(BM_Throughput, BarePty)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_Throughput, ComPort)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_OneByteRoundTrip, BarePty)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK_TEMPLATE(BM_OneByteRoundTrip, ComPort)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    auto home = std::filesystem::temp_directory_path() / ("nimbrel-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home);
    setenv("NIMBREL_HOME", home.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(home);
    return 0;
}
