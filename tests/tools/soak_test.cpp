// The console hosts left running as people leave them, through hundreds of rounds of what a
// neighbourhood does: a device asks to pair and is answered, connects to our serial server and
// talks through the COM port, pushes a file to our Object Push server, leaves and comes back.
// Each round takes and gives back what it needs: after a warm-up, a host's descriptors and
// threads come back to what it held then, and its memory hardly grows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/kernel/paths.h"
#include "sim/control/control_client.h"
#include "support/background_command.h"
#include "support/process_figures.h"
#include "support/pty_client.h"
#include "support/tools.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ProcessFigures;

constexpr const char* kDevice = "00:12:AB:34:CD:56";
const char* kWorld = R"({"timing": {"inquiry_ms": 0, "sdp_ms": 0, "name_ms": 0, "pair_ms": 0},
    "devices": [{"name": "Soak Phone", "address": "00:12:AB:34:CD:56", "pin": "1234",
                 "services": [{"profile": "spp", "endpoint": "echo"}, {"profile": "opp"}]}]})";

constexpr int kWarmUpRounds = 40;
constexpr int kRounds = 300;
constexpr long kDescriptorSlack = 2;
constexpr long kThreadSlack = 1;
// Resident memory may grow this much from the warm-up to the last round: well below what
// keeping one pushed file (64 KiB) or one connection's buffers per round would add. Under a
// sanitizer its own bookkeeping grows first (AddressSanitizer's quarantine, below; the
// ThreadSanitizer's history).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr long kGrowthKiB = 4096;
#else
constexpr long kGrowthKiB = 256;
#endif
constexpr std::size_t kPushedBytes = 64 * 1024;

// AddressSanitizer keeps freed memory aside (256 MiB by default) to catch late uses, which
// reads as growth here: the hosts run with a small quarantine, and still report leaks at exit.
std::vector<std::string> HostEnvironment() {
#if defined(__SANITIZE_ADDRESS__)
    const char* options = std::getenv("ASAN_OPTIONS");
    return {std::string("ASAN_OPTIONS=") + (options ? std::string(options) + ":" : "") + "quarantine_size_mb=4"};
#else
    return {};
#endif
}

// One nimbrelctl host left running on the test world, and its radio's control socket.
class Host {
public:
    Host(const std::string& name, const std::vector<std::string>& args) : name_(name) {
        const fs::path world = platform::NimbrelHome() / "soak-world.json";
        if (!fs::exists(world)) std::ofstream(world) << kWorld;
        std::vector<std::string> all{"--world", world.string()};
        all.insert(all.end(), args.begin(), args.end());
        command_ = std::make_unique<testsupport::BackgroundCommand>(testsupport::ToolPath("nimbrelctl"), all,
                                                                    HostEnvironment());
    }

    const std::string& name() const { return name_; }
    pid_t pid() const { return command_->pid(); }

    // Its next line on standard output, which must start with `start`.
    ::testing::AssertionResult Line(const std::string& start, std::string* line = nullptr) {
        const auto read = command_->ReadLine();
        if (!read) return Failure() << "no line starting with '" << start << "'";
        if (read->rfind(start, 0) != 0) return Failure() << "'" << *read << "' where '" << start << "' was expected";
        if (line) *line = *read;
        return ::testing::AssertionSuccess();
    }

    // A request to its radio, answered with `expected`. A push waits for the whole transfer.
    ::testing::AssertionResult Radio(const std::string& request, const std::string& expected = "ok") {
        std::string reply, error;
        if (!sim::SendControlRequest(pid(), request, &reply, &error, {1024, 60000}))
            return Failure() << "'" << request << "' did not reach the radio: " << error;
        if (reply != expected) return Failure() << "'" << request << "' answered '" << reply << "'";
        return ::testing::AssertionSuccess();
    }

    // The device goes out of range (ending any connection it had to us) and comes back.
    ::testing::AssertionResult LeaveAndReturn() {
        if (auto left = Radio(std::string("leave ") + kDevice); !left) return left;
        return Radio(std::string("return ") + kDevice);
    }

    ::testing::AssertionResult Failure() {
        return ::testing::AssertionFailure() << name_ << ": ";
    }
    std::string Errors() const { return command_->Errors(); }
    int Stop() { return command_->Stop(); }

    ProcessFigures warmedUp;

private:
    std::string name_;
    std::unique_ptr<testsupport::BackgroundCommand> command_;
};

// `watch` answers the device's PIN request with the PIN it expects.
::testing::AssertionResult PairingRound(Host& watch) {
    if (auto asked = watch.Radio(std::string("pair-request ") + kDevice); !asked) return asked;
    if (auto paired = watch.Line("00:12:ab:34:cd:56\tpaired\t1"); !paired) return paired;
    return watch.LeaveAndReturn();
}

// The device connects to `server`'s serial server; a serial program opens the COM port, has a
// line echoed, closes it; the device's leaving ends the connection.
::testing::AssertionResult SerialRound(Host& server, const std::string& port, int round) {
    if (auto connected = server.Radio(std::string("serial-connect ") + kDevice); !connected) return connected;
    {
        testsupport::PtyClient terminal(port);
        if (!terminal.ok()) return server.Failure() << port << " does not open";
        const std::string line = "round " + std::to_string(round) + "\n";
        if (!terminal.Write(line)) return server.Failure() << "the port takes no bytes";
        if (const std::string echoed = terminal.Read(line.size()); echoed != line)
            return server.Failure() << "'" << echoed << "' came back for '" << line << "'";
    }
    return server.LeaveAndReturn();
}

// The device pushes `file` to `obex`'s Object Push server; it arrives whole and is taken away.
::testing::AssertionResult PushRound(Host& obex, const fs::path& file, const std::string& body) {
    if (auto pushed = obex.Radio(std::string("push ") + kDevice + " " + sim::EncodeControlWord(file.string()),
                                 "ok Success");
        !pushed)
        return pushed;
    std::string line;
    if (auto received = obex.Line("received\t", &line); !received) return received;
    const std::string tail = std::string("\t") + kDevice + "\t" + std::to_string(body.size());
    if (line.size() < tail.size() || line.compare(line.size() - tail.size(), tail.size(), tail) != 0)
        return obex.Failure() << "'" << line << "' does not end in '" << tail << "'";
    const fs::path stored = line.substr(9, line.size() - 9 - tail.size());
    if (testsupport::ReadFile(stored) != body) return obex.Failure() << stored << " is not the file pushed";
    std::error_code ec;
    fs::remove(stored, ec);
    return obex.LeaveAndReturn();
}

// What a host holds once what it just did has ended: at most its warm-up figures and the slack,
// waited for (bounded) since a thread or descriptor of the last round may be on its way out.
std::optional<ProcessFigures> Settled(const Host& host) {
    return testsupport::WaitForFigures(
        host.pid(),
        [&](const ProcessFigures& now) {
            return now.descriptors <= host.warmedUp.descriptors + kDescriptorSlack &&
                   now.threads <= host.warmedUp.threads + kThreadSlack;
        },
        std::chrono::seconds(10));
}

TEST(ConsoleHostsSlow, HundredsOfRoundsOfPairingSerialAndPushesGiveBackWhatTheyTake) {
    std::mt19937 noise(11);
    std::string body(kPushedBytes, '\0');
    for (char& byte : body) byte = static_cast<char>(noise());
    const fs::path file = platform::NimbrelHome() / "soak.bin";
    std::ofstream(file, std::ios::binary) << body;

    Host watch("watch", {"watch", "--pin", "1234"});
    Host server("server", {"server"});
    Host obex("obex-server", {"obex-server", "--accept"});
    ASSERT_TRUE(watch.Line("watching")) << watch.Errors();
    std::string port;
    ASSERT_TRUE(server.Line("port\t")) << server.Errors();
    ASSERT_TRUE(server.Line("path\t", &port)) << server.Errors();
    port.erase(0, 5);
    for (std::string line; !line.starts_with("listening\tReceived files go to ");)
        ASSERT_TRUE(obex.Line("listening\t", &line)) << obex.Errors();

    Host* hosts[] = {&watch, &server, &obex};
    for (int round = 1; round <= kRounds; ++round) {
        ASSERT_TRUE(PairingRound(watch)) << "round " << round << "\n" << watch.Errors();
        ASSERT_TRUE(SerialRound(server, port, round)) << "round " << round << "\n" << server.Errors();
        ASSERT_TRUE(PushRound(obex, file, body)) << "round " << round << "\n" << obex.Errors();
        if (round != kWarmUpRounds) continue;
        for (Host* host : hosts) {
            const auto figures = testsupport::ReadProcessFigures(host->pid());
            ASSERT_TRUE(figures) << host->name() << " is gone";
            host->warmedUp = *figures;
        }
    }

    for (Host* host : hosts) {
        const auto last = Settled(*host);
        ASSERT_TRUE(last) << host->name() << " is gone";
        std::printf("%s after %d rounds: %s; after %d: %s\n", host->name().c_str(), kWarmUpRounds,
                    testsupport::Describe(host->warmedUp).c_str(), kRounds, testsupport::Describe(*last).c_str());
        EXPECT_LE(last->descriptors, host->warmedUp.descriptors + kDescriptorSlack) << host->name();
        EXPECT_LE(last->threads, host->warmedUp.threads + kThreadSlack) << host->name();
        EXPECT_LT(last->residentKiB - host->warmedUp.residentKiB, kGrowthKiB) << host->name();
    }
    for (Host* host : hosts) EXPECT_EQ(host->Stop(), 0) << host->name() << "\n" << host->Errors();
}

}  // namespace
