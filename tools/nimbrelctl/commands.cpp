#include "commands.h"

#include <cstdio>

#include "console.h"
#include "engine/device/device_local.h"
#include "engine/service/service_distant.h"
#include "engine_steps.h"
#include "obex_commands.h"
#include "pairing_commands.h"
#include "serial_commands.h"
#include "shortcut_commands.h"

namespace ctl {
namespace {

void Field(const char* key, const std::string& value) { std::printf("%s\t%s\n", key, value.c_str()); }

int Status(const std::vector<std::string>&) {
    CDeviceLocal local;
    Field("name", Text(local.GetName()));
    Field("address", Address(local.GetBtAddr()));
    Field("class", ClassOfDevice(local.GetClass()));
    Field("findable", std::to_string(local.GetFindable()));
    Field("authenticate", std::to_string(local.GetAuthenticate()));
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
    {"scan", "scan", 0, 0, &Scan},
    {"services", "services ADDRESS", 1, 1, &Services},
    {"ports", "ports", 0, 0, &Ports},
    {"connect", "connect ADDRESS spp|dun [--port N]", 2, 4, &Connect},
    {"server", "server [--port N]", 0, 2, &Server},
    {"pair", "pair ADDRESS PIN", 2, 2, &Pair},
    {"unpair", "unpair ADDRESS", 1, 1, &Unpair},
    {"watch", "watch [--pin PIN]", 0, 2, &Watch},
    {"shortcuts", "shortcuts", 0, 0, &Shortcuts},
    {"shortcut", "shortcut save|delete ADDRESS ID", 3, 3, &Shortcut},
    {"push", "push ADDRESS FILE", 2, 2, &Push},
    {"ls", "ls ADDRESS [FOLDER]", 1, 2, &List},
    {"get", "get ADDRESS REMOTE-PATH [--to DIR]", 2, 4, &Get},
    {"put", "put ADDRESS FOLDER FILE", 3, 3, &Put},
    {"rm", "rm ADDRESS REMOTE-PATH", 2, 2, &Remove},
};

}  // namespace

const Command* FindCommand(const std::string& name) {
    for (const auto& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}

}  // namespace ctl
