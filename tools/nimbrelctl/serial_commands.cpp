// Serial-port commands: the free COM ports, a connection to a remote serial or dial-up
// service, and the local serial-port server. The long-running ones stay until SIGINT or
// SIGTERM, then close what they opened.
#include "serial_commands.h"

#include <unistd.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "console.h"
#include "engine/device/device_local.h"
#include "engine/service/client_spp.h"
#include "engine/service/server_spp.h"
#include "engine_steps.h"
#include "platform/kernel/files.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/paths.h"
#include "platform/kernel/sync.h"
#include "sim/radio.h"

namespace ctl {
namespace {

// A signal handler may only write to a pipe; the command's thread reads it.
int g_stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t written = write(g_stopPipe[1], &byte, 1);
}

// Blocks until SIGINT or SIGTERM arrives (on whichever thread the system delivers it).
void WaitForStopSignal() {
    if (pipe(g_stopPipe) != 0) return;
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::fflush(stdout);
    char byte = 0;
    while (read(g_stopPipe[0], &byte, 1) < 0) {}
}

std::string PortPath(unsigned int port) {
    return (platform::RuntimeFolder().path / ("COM" + std::to_string(port))).string();
}

// The outcome of a connection attempt: NOTIFY_CONNECTED or NOTIFY_CONNECT_FAILED.
class ConnectionOutcome {
public:
    ConnectionOutcome() : done_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        NIMBRL_RegisterCallback(NOTIFY_CONNECTED, &ConnectionOutcome::Connected, reinterpret_cast<NOTIFY_VALUE>(this));
        NIMBRL_RegisterCallback(NOTIFY_CONNECT_FAILED, &ConnectionOutcome::Failed,
                                reinterpret_cast<NOTIFY_VALUE>(this));
    }
    ~ConnectionOutcome() {
        NIMBRL_UnregisterCallback(NOTIFY_CONNECTED);
        NIMBRL_UnregisterCallback(NOTIFY_CONNECT_FAILED);
        CloseHandle(done_);
    }
    bool Wait() {
        WaitForSingleObject(done_, INFINITE);
        return connected_;
    }

private:
    static int Connected(NOTIFY_VALUE, NOTIFY_VALUE self) { return Finish(self, true); }
    static int Failed(NOTIFY_VALUE, NOTIFY_VALUE self) { return Finish(self, false); }
    static int Finish(NOTIFY_VALUE self, bool connected) {
        auto* outcome = reinterpret_cast<ConnectionOutcome*>(self);
        outcome->connected_ = connected;  // published by the event
        SetEvent(outcome->done_);
        return 0;
    }
    HANDLE done_;
    bool connected_ = false;
};

// "--port N" at `args[at]`; false, with a message, for anything else.
bool ParsePortOption(const std::vector<std::string>& args, std::size_t at, int* port) {
    if (at >= args.size()) return true;
    char* end = nullptr;
    const long value = at + 1 < args.size() ? std::strtol(args[at + 1].c_str(), &end, 10) : -1;
    if (args[at] != "--port" || at + 2 != args.size() || !end || *end || value < 0 || value > 9) {
        std::fprintf(stderr, "nimbrelctl: expected --port N with N from 0 to 9\n");
        return false;
    }
    *port = static_cast<int>(value);
    return true;
}

}  // namespace

int Ports(const std::vector<std::string>&) {
    CDeviceLocal local;
    AttachErrorReceivers();
    CClientSpp probe(&local);  // a client's record asks only whether an index is free
    for (int port : probe.getAvailablePortComList()) std::printf("%d\n", port);
    return kExitOk;
}

int Connect(const std::vector<std::string>& args) {
    BT_ADDR address = 0;
    if (!ParseAddressArgument(args[0], &address)) return kExitUsage;
    const bool serial = args[1] == "spp";
    if (!serial && args[1] != "dun") {
        std::fprintf(stderr, "nimbrelctl: the service is spp or dun, not '%s'\n", args[1].c_str());
        return kExitUsage;
    }
    int port = -1;
    if (!ParsePortOption(args, 2, &port)) return kExitUsage;

    CDeviceLocal local;
    if (!Activate(local)) return kExitFailed;
    CDeviceDistant* device = FindDevice(local, address);
    if (!device || !DiscoverServices(*device)) return kExitFailed;
    CServiceDistant* service = device->GetService(serial ? SERVICE_ID_SPP : SERVICE_ID_DUN);
    if (!service) {
        std::fprintf(stderr, "nimbrelctl: %s offers no %s service\n", Address(address).c_str(),
                     serial ? "serial port" : "dial-up networking");
        return kExitFailed;
    }
    if (serial) {
        if (port < 0) {
            const std::vector<int> free = service->getAvailablePortComList();
            port = free.empty() ? static_cast<int>(NO_COM_PORT) : free.front();
        }
        static_cast<CClientSpp*>(service)->setSelectedPortCom(port);
    }
    ConnectionOutcome outcome;
    service->Connect();
    if (!outcome.Wait()) return kExitFailed;
    // A dial-up port is only activated by the engine: the console opens it, as a dialler would,
    // so that the modem answers whoever uses the port's link.
    HANDLE dialler = nullptr;
    if (!serial) {
        const std::wstring name = L"COM" + std::to_wstring(service->GetComPort()) + L":";
        dialler = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (dialler == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "nimbrelctl: the dial-up port does not answer (error %u)\n", GetLastError());
            service->Disconnect();
            return kExitFailed;
        }
    }
    std::printf("COM%u\t%s\n", service->GetComPort(), PortPath(service->GetComPort()).c_str());
    WaitForStopSignal();
    if (dialler) CloseHandle(dialler);
    service->Disconnect();
    local.Activate(0);
    return kExitOk;
}

int Server(const std::vector<std::string>& args) {
    int port = -1;
    if (!ParsePortOption(args, 0, &port)) return kExitUsage;
    CDeviceLocal local;
    if (!Activate(local)) return kExitFailed;
    auto* server = new CServerSpp(&local);
    if (port >= 0) server->setSelectedPortCom(port);
    local.AddLocalService(server);
    if (!local.ActivateLocalServices(1) || !server->IsConnected()) return kExitFailed;
    const std::uint32_t handle = static_cast<std::uint32_t>(server->GetRecordHandle());
    std::printf("port\t%u\npath\t%s\nchannel\t%u\nhandle\t0x%08x\n", server->GetComPort(),
                PortPath(server->GetComPort()).c_str(), server->GetRfcommChannel(), handle);
    std::string hex;
    const auto published = sim::Radio::Instance().PublishedRecords();
    const auto record = published.find(handle);
    if (record == published.end()) return kExitFailed;
    for (std::uint8_t byte : record->second) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    std::printf("record\t%s\n", hex.c_str());
    WaitForStopSignal();
    local.ActivateLocalServices(0);
    local.Activate(0);
    return kExitOk;
}

}  // namespace ctl
