#include "radio_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "console.h"
#include "engine_steps.h"
#include "sim/control/control_client.h"
#include "sim/control/control_socket.h"

namespace ctl {
namespace {

constexpr const char* kUsage =
    "usage: nimbrelctl radio hosts\n"
    "       nimbrelctl radio leave|return|pair-request|serial-connect ADDRESS [--pid P]\n"
    "       nimbrelctl radio push ADDRESS FILE [--pid P]\n"
    "       nimbrelctl radio browse ADDRESS [--pid P]\n";

// A device's OBEX session with our servers: each answer may wait for the user's yes (30 s at
// most) and a push carries up to 64 MiB.
constexpr sim::ControlReplyLimits kObexReplyLimits{3 * 256 * 1024 + 64, 180000};

// The path a control request carries, whole: the longest request line, less the verb and
// the address.
constexpr std::size_t kMaxRequestPath = sim::kMaxControlRequest - 64;

int BadUsage() {
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

int Hosts() {
    for (const auto& host : sim::ListControlHosts())
        std::printf("%d\t%s\n", static_cast<int>(host.pid), host.program.c_str());
    return kExitOk;
}

bool ParsePid(const std::string& text, pid_t* pid) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE || value <= 0 || value > 0x7FFFFFFF) return false;
    *pid = static_cast<pid_t>(value);
    return true;
}

// The one running host, when there is exactly one; else the exit status of the failure.
int ChooseHost(pid_t* pid) {
    const auto hosts = sim::ListControlHosts();
    if (hosts.empty()) {
        std::fputs("nimbrelctl: no running program has a simulated radio\n", stderr);
        return kExitFailed;
    }
    if (hosts.size() > 1) {
        std::fputs("nimbrelctl: several programs run a simulated radio; choose one with --pid:\n", stderr);
        for (const auto& host : hosts)
            std::fprintf(stderr, "%d\t%s\n", static_cast<int>(host.pid), host.program.c_str());
        return kExitUsage;
    }
    *pid = hosts[0].pid;
    return kExitOk;
}

// The host of `--pid P` at args[at], or the only one; the exit status of a failure.
int HostOf(const std::vector<std::string>& args, std::size_t at, pid_t* pid) {
    if (args.size() == at + 2) {
        if (args[at] != "--pid" || !ParsePid(args[at + 1], pid)) return BadUsage();
        return kExitOk;
    }
    if (args.size() != at) return BadUsage();
    return ChooseHost(pid);
}

// The host's reply line, or the exit status of a failure.
int Ask(pid_t pid, const std::string& request, std::string* reply, const sim::ControlReplyLimits& limits = {}) {
    std::string error;
    if (!sim::SendControlRequest(pid, request, reply, &error, limits)) {
        std::fprintf(stderr, "nimbrelctl: the program of pid %d cannot be reached: %s\n", static_cast<int>(pid),
                     error.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

int DeviceEvent(const std::vector<std::string>& args) {
    BT_ADDR address = 0;
    if (!ParseAddressArgument(args[1], &address)) return kExitUsage;
    pid_t pid = 0;
    if (int status = HostOf(args, 2, &pid)) return status;
    std::string reply;
    if (int status = Ask(pid, args[0] + " " + Address(address), &reply)) return status;
    if (reply != "ok") {
        std::fprintf(stderr, "nimbrelctl: %s\n", reply.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

// "ok TEXT" prints TEXT (decoded when `encoded`); "refused RESPONSE" prints the response and
// fails; errors fail.
int ObexOutcome(const std::string& reply, bool encoded) {
    const auto space = reply.find(' ');
    const std::string word = reply.substr(0, space);
    const std::string rest = space == std::string::npos ? std::string() : reply.substr(space + 1);
    if (word == "ok") {
        const auto text = encoded ? sim::DecodeControlWord(rest) : std::optional<std::string>(rest);
        if (!text) {
            std::fputs("nimbrelctl: the program's reply is not readable\n", stderr);
            return kExitFailed;
        }
        std::fputs(text->c_str(), stdout);
        if (text->empty() || text->back() != '\n') std::fputc('\n', stdout);
        return kExitOk;
    }
    if (word == "refused") {
        std::printf("%s\n", rest.c_str());
        return kExitFailed;
    }
    std::fprintf(stderr, "nimbrelctl: %s\n", reply.c_str());
    return kExitFailed;
}

int Push(const std::vector<std::string>& args) {
    if (args.size() < 3) return BadUsage();
    BT_ADDR address = 0;
    if (!ParseAddressArgument(args[1], &address)) return kExitUsage;
    pid_t pid = 0;
    if (int status = HostOf(args, 3, &pid)) return status;
    // The host reads the file: it is named whole, the same from both processes.
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(args[2], ec);
    if (ec || !std::filesystem::is_regular_file(path, ec)) {
        std::fprintf(stderr, "nimbrelctl: %s: not a file\n", args[2].c_str());
        return kExitFailed;
    }
    const std::string word = sim::EncodeControlWord(path.lexically_normal().string());
    if (word.size() > kMaxRequestPath) {
        std::fprintf(stderr, "nimbrelctl: %s: the path is too long to hand over (at most %zu bytes encoded)\n",
                     args[2].c_str(), kMaxRequestPath);
        return kExitFailed;
    }
    std::string reply;
    if (int status = Ask(pid, "push " + Address(address) + " " + word, &reply, kObexReplyLimits)) return status;
    return ObexOutcome(reply, false);
}

int Browse(const std::vector<std::string>& args) {
    BT_ADDR address = 0;
    if (!ParseAddressArgument(args[1], &address)) return kExitUsage;
    pid_t pid = 0;
    if (int status = HostOf(args, 2, &pid)) return status;
    std::string reply;
    if (int status = Ask(pid, "browse " + Address(address), &reply, kObexReplyLimits)) return status;
    return ObexOutcome(reply, true);
}

}  // namespace

int Radio(const std::vector<std::string>& args) {
    if (args.size() == 1 && args[0] == "hosts") return Hosts();
    if (!args.empty() && args[0] == "push") return Push(args);
    if (args.size() >= 2 && args[0] == "browse") return Browse(args);
    const bool event = !args.empty() && (args[0] == "leave" || args[0] == "return" || args[0] == "pair-request" ||
                                         args[0] == "serial-connect");
    if (!event || (args.size() != 2 && args.size() != 4)) return BadUsage();
    return DeviceEvent(args);
}

}  // namespace ctl
