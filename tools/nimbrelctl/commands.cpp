#include "commands.h"

#include <cstdio>

#include "console.h"
#include "engine/device/device_local.h"

namespace ctl {
namespace {

void Field(const char* key, const std::string& value) { std::printf("%s\t%s\n", key, value.c_str()); }

int Status(const std::vector<std::string>&) {
    CDeviceLocal local;
    AttachErrorReceivers();
    Field("name", Text(local.GetName()));
    Field("address", Address(local.GetBtAddr()));
    Field("class", ClassOfDevice(local.GetClass()));
    Field("findable", std::to_string(local.GetFindable()));
    Field("authenticate", std::to_string(local.GetAuthenticate()));
    return kExitOk;
}

const Command kCommands[] = {
    {"status", "status", 0, 0, &Status},
};

}  // namespace

const Command* FindCommand(const std::string& name) {
    for (const auto& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}

}  // namespace ctl
