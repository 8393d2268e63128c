#include "radio_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "console.h"
#include "engine_steps.h"
#include "sim/control/control_client.h"

namespace ctl {
namespace {

constexpr const char* kUsage =
    "usage: nimbrelctl radio hosts\n"
    "       nimbrelctl radio leave|return|pair-request|serial-connect ADDRESS [--pid P]\n";

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

int DeviceEvent(const std::vector<std::string>& args) {
    BT_ADDR address = 0;
    if (!ParseAddressArgument(args[1], &address)) return kExitUsage;
    pid_t pid = 0;
    if (args.size() == 4) {
        if (args[2] != "--pid" || !ParsePid(args[3], &pid)) return BadUsage();
    } else if (int status = ChooseHost(&pid)) {
        return status;
    }
    std::string reply, error;
    if (!sim::SendControlRequest(pid, args[0] + " " + Address(address), &reply, &error)) {
        std::fprintf(stderr, "nimbrelctl: the program of pid %d cannot be reached: %s\n", static_cast<int>(pid),
                     error.c_str());
        return kExitFailed;
    }
    if (reply != "ok") {
        std::fprintf(stderr, "nimbrelctl: %s\n", reply.c_str());
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace

int Radio(const std::vector<std::string>& args) {
    if (args.size() == 1 && args[0] == "hosts") return Hosts();
    const bool event = !args.empty() && (args[0] == "leave" || args[0] == "return" || args[0] == "pair-request" ||
                                         args[0] == "serial-connect");
    if (!event || (args.size() != 2 && args.size() != 4)) return BadUsage();
    return DeviceEvent(args);
}

}  // namespace ctl
