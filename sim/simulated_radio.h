#pragma once
// Chooses the simulated radio as this process's Bluetooth backend. A host calls one of these
// once at start, before it makes the engine's first object. The radio then also listens on
// its control socket ("radio-<pid>.sock" in the run-time folder) until the process exits.
#include <string>

#include "sim/export.h"
#include "sim/world/world.h"

namespace sim {

// The world NIMBREL_WORLD names, else the built-in one. False, with a message naming the file
// and the field, for a world that cannot be read; the radio is then installed without a
// stack, so the engine reports that it cannot reach one.
NIMBREL_SIM_API bool InstallSimulatedRadio(std::string* error = nullptr);
// This world.
NIMBREL_SIM_API void InstallSimulatedRadio(const World& world);

}  // namespace sim
