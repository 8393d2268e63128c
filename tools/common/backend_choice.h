#pragma once
// How a host (nimbrelctl, the program) chooses its Bluetooth backend at start: the
// `--backend sim|bluez|auto` option, else NIMBREL_BACKEND, else auto. Auto takes BlueZ when
// bluetoothd answers with an adapter, else the simulated radio, without a word.
#include <string>

namespace hostbackend {

enum class Choice { Auto, Sim, BlueZ };

// "sim", "bluez" or "auto"; false for anything else.
bool ParseChoice(const std::string& name, Choice* choice);

// The option's value when one was given (`option` not null), else NIMBREL_BACKEND when set and
// not empty, else auto. False, with a message, for a name that is none of the three.
bool ResolveChoice(const std::string* option, Choice* choice, std::string* error);

enum class Outcome {
    kInstalled,
    kBadWorld,     // the simulated radio's world could not be read: a usage error
    kUnavailable,  // BlueZ was asked for and does not answer (or this build has none)
};

// Installs the chosen backend; `error` says why not. Call it once, before the engine's first
// object.
Outcome Install(Choice choice, std::string* error);

// Whether this build can talk to BlueZ.
bool BuiltWithBlueZ();

// The installed backend's hardware status reads running: its power is on.
bool PoweredOn();
// It reads shut down: its power is switched off (a stack that is absent or does not answer
// is neither on nor off).
bool PoweredOff();

}  // namespace hostbackend
