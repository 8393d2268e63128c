// The smallest host of the engine: attach error receivers the way the program does, switch
// the engine on and off, and say what happened.
#include <cstdio>
#include <string>

#include "engine/device/device_local.h"
#include "engine/frame/error_manager.h"
#include "sim/simulated_radio.h"

static int ShowError(int code, const wchar_t* message, const wchar_t* context, void*) {
    std::printf("error %d: %ls (%ls)\n", code, message ? message : L"-", context);
    return 0;
}

int main() {
    // The Bluetooth backend: here the simulated radio, with the world NIMBREL_WORLD names.
    std::string problem;
    if (!sim::InstallSimulatedRadio(&problem)) std::printf("world: %s\n", problem.c_str());
    CDeviceLocal local;
    AddCommunication(0, NewCallBack(&ShowError), ERROR_TYPE_UNKNOWN);
    COMMUNICATION_HANDLE blank = NewBlank();
    for (int silenced : {70005, 70007, 70505, 70301}) AddCommunication(silenced, blank, ERROR_TYPE_ERROR);

    if (!local.Activate(1)) {
        std::printf("activation failed\n");
        return 1;
    }
    std::printf("activated %ls\n", local.GetName().GetString());
    local.Activate(0);
    return 0;
}
