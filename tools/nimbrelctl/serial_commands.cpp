// Serial-port commands: the free COM ports, a connection to a remote serial or dial-up
// service, and the local serial-port server. The long-running ones stay until SIGINT or
// SIGTERM, then close what they opened.
#include "serial_commands.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "console.h"
#include "engine/device/device_local.h"
#include "engine/service/client_spp.h"
#include "engine/service/server_spp.h"
#include "engine_steps.h"
#include "notification_hub.h"
#include "platform/bluetooth/bt_backend.h"
#include "platform/kernel/files.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/paths.h"
#include "platform/kernel/sync.h"
#include "stop_signal.h"

namespace ctl {
namespace {

std::string PortPath(unsigned int port) {
    return (platform::RuntimeFolder().path / ("COM" + std::to_string(port))).string();
}

// Stays until a stop signal. A link that the connection monitor found lost comes back without
// a notification: say so when the service is connected again.
void StayConnected(const CServiceDistant& service) {
    constexpr int kCheckMs = 500;
    bool connected = true;
    while (WaitForStopOrWake(kCheckMs) != Woken::Stop) {
        const bool now = service.IsConnected() != 0;
        if (now && !connected)
            std::fprintf(stderr, "%s reconnected %s: %s\n", TimeOfDay().c_str(),
                         Address(service.GetDevice()->GetBtAddr()).c_str(), Text(service.GetName()).c_str());
        connected = now;
    }
}

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

    CatchStopSignals();
    NotificationHub::PrintAll();
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
    if (!ConnectService(*service)) return kExitFailed;
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
    StayConnected(*service);
    if (dialler) CloseHandle(dialler);
    service->Disconnect();
    local.Activate(0);
    return kExitOk;
}

int Server(const std::vector<std::string>& args) {
    int port = -1;
    if (!ParsePortOption(args, 0, &port)) return kExitUsage;
    CatchStopSignals();
    NotificationHub::PrintAll();
    CDeviceLocal local;
    if (!Activate(local)) return kExitFailed;
    auto* server = new CServerSpp(&local);
    if (port >= 0) server->setSelectedPortCom(port);
    local.AddLocalService(server);
    if (!local.ActivateLocalServices(1) || !server->IsConnected()) return kExitFailed;
    const std::uint32_t handle = static_cast<std::uint32_t>(server->GetRecordHandle());
    std::printf("port\t%u\npath\t%s\nchannel\t%u\nhandle\t0x%08x\n", server->GetComPort(),
                PortPath(server->GetComPort()).c_str(), server->GetRfcommChannel(), handle);
    std::vector<std::uint8_t> record;
    if (DWORD error = bth::InstalledBackend()->ReadPublishedRecord(handle, &record)) {
        std::fprintf(stderr, "nimbrelctl: the server's record cannot be read back (error %u)\n", error);
        return kExitFailed;
    }
    std::string hex;
    for (std::uint8_t byte : record) {
        char digits[3];
        std::snprintf(digits, sizeof digits, "%02x", byte);
        hex += digits;
    }
    std::printf("record\t%s\n", hex.c_str());
    while (WaitForStopOrWake() != Woken::Stop) {}
    local.ActivateLocalServices(0);
    local.Activate(0);
    return kExitOk;
}

}  // namespace ctl
