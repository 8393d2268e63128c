#include "commands.h"

#include <cstdio>

#include "console.h"
#include "engine/device/device_local.h"
#include "engine/frame/bth_stack.h"
#include "engine/service/service_distant.h"
#include "engine_steps.h"
#include "obex_commands.h"
#include "obex_server_command.h"
#include "pairing_commands.h"
#include "platform/bluetooth/bt_backend.h"
#include "serial_commands.h"
#include "shortcut_commands.h"
#include "tools/common/backend_choice.h"

namespace ctl {
namespace {

void Field(const char* key, const std::string& value) { std::printf("%s\t%s\n", key, value.c_str()); }

int Status(const std::vector<std::string>&) {
    Field("backend", bth::InstalledBackend()->Describe());
    Field("power", hostbackend::PoweredOn() ? "on" : "off");
    CDeviceLocal local;
    Field("name", Text(local.GetName()));
    Field("address", Address(local.GetBtAddr()));
    Field("class", ClassOfDevice(local.GetClass()));
    Field("findable", std::to_string(local.GetFindable()));
    Field("authenticate", std::to_string(local.GetAuthenticate()));
    return kExitOk;
}

// "on" or "off"; false, with a message, for anything else.
bool ParseSwitch(const std::string& command, const std::string& text, bool* on) {
    if (text == "on" || text == "off") {
        *on = text == "on";
        return true;
    }
    std::fprintf(stderr, "usage: nimbrelctl %s on|off\n", command.c_str());
    return false;
}

int Power(const std::vector<std::string>& args) {
    bool on = false;
    if (!ParseSwitch("power", args[0], &on)) return kExitUsage;
    if (DWORD error = bth::InstalledBackend()->WritePower(on)) {
        std::fprintf(stderr, "nimbrelctl: the adapter's power could not be switched %s (error %u)\n", args[0].c_str(),
                     error);
        return kExitFailed;
    }
    return kExitOk;
}

int Findable(const std::vector<std::string>& args) {
    bool on = false;
    if (!ParseSwitch("findable", args[0], &on)) return kExitUsage;
    CDeviceLocal local;
    local.SetFindable(on ? 1 : 0);  // a failure is reported on standard error by the engine
    // Read back: the engine keeps its last state when the write fails, which may be the one asked for.
    BYTE mask = 0;
    if (BthReadScanEnableMask(&mask) != 0 || (mask == 3) != on) {
        std::fprintf(stderr, "nimbrelctl: the adapter could not be made %s\n", on ? "findable" : "unfindable");
        return kExitFailed;
    }
    return kExitOk;
}

int Scan(const std::vector<std::string>&) {
    CDeviceLocal local;
    if (!Activate(local) || !Discover(local)) return kExitFailed;
    auto lock = local.DevicesLock();
    for (auto* device : local.GetDevices())
        std::printf("%s\t%s\t%d\t%s\n", Address(device->GetBtAddr()).c_str(), ClassOfDevice(device->GetClass()).c_str(),
                    device->IsPaired(), Text(device->GetName()).c_str());
    return kExitOk;
}

int Services(const std::vector<std::string>& args) {
    BT_ADDR address = 0;
    if (!ParseAddressArgument(args[0], &address)) return kExitUsage;
    CDeviceLocal local;
    if (!Activate(local)) return kExitFailed;
    CDeviceDistant* device = FindDevice(local, address);
    if (!device || !DiscoverServices(*device)) return kExitFailed;
    auto lock = device->ServicesLock();
    for (auto* service : device->GetServices())
        std::printf("%u\t%s\n", service->GetID(), Text(service->GetName()).c_str());
    return kExitOk;
}

const Command kCommands[] = {
    {"status", "status", 0, 0, &Status},
    {"power", "power on|off", 1, 1, &Power},
    {"findable", "findable on|off", 1, 1, &Findable},
    {"scan", "scan", 0, 0, &Scan},
    {"services", "services ADDRESS", 1, 1, &Services},
    {"ports", "ports", 0, 0, &Ports},
    {"connect", "connect ADDRESS spp|dun [--port N]", 2, 4, &Connect},
    {"server", "server [--port N]", 0, 2, &Server},
    {"pair", "pair ADDRESS PIN", 2, 2, &Pair},
    {"unpair", "unpair ADDRESS", 1, 1, &Unpair},
    {"watch", "watch [--pin PIN] [--confirm]", 0, 3, &Watch},
    {"shortcuts", "shortcuts", 0, 0, &Shortcuts},
    {"shortcut", "shortcut save|delete ADDRESS ID", 3, 3, &Shortcut},
    {"push", "push ADDRESS FILE", 2, 2, &Push},
    {"ls", "ls ADDRESS [FOLDER]", 1, 2, &List},
    {"get", "get ADDRESS REMOTE-PATH [--to DIR]", 2, 4, &Get},
    {"put", "put ADDRESS FOLDER FILE", 3, 3, &Put},
    {"rm", "rm ADDRESS REMOTE-PATH", 2, 2, &Remove},
    {"obex-server", "obex-server [--accept] [--tcp ADDRESS:PORT]", 0, 3, &ObexServer},
};

}  // namespace

const Command* FindCommand(const std::string& name) {
    for (const auto& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}

}  // namespace ctl
