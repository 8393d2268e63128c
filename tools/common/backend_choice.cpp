#include "tools/common/backend_choice.h"

#include <cstdlib>

#include "platform/bluetooth/bt_backend.h"
#include "platform/bluetooth/bt_driver.h"
#include "sim/simulated_radio.h"
#ifdef NIMBREL_WITH_BLUEZ
#include "bluez/bluez_backend.h"
#endif

namespace hostbackend {
namespace {

#ifdef NIMBREL_WITH_BLUEZ
// Bounds of the attempts to reach bluetoothd: a quick look for auto, a longer one to attach.
constexpr unsigned kProbeTimeoutMs = 2000;
constexpr unsigned kInstallTimeoutMs = 5000;
#endif

// HCI_HARDWARE_UNKNOWN without a stack or a status.
std::uint32_t HardwareStatus() {
    const std::shared_ptr<bth::Backend> backend = bth::InstalledBackend();
    std::uint32_t status = HCI_HARDWARE_UNKNOWN;
    if (!backend || !backend->HasStack() || backend->ReadHardwareStatus(&status) != 0) return HCI_HARDWARE_UNKNOWN;
    return status;
}

Outcome InstallSimulated(std::string* error) {
    return sim::InstallSimulatedRadio(error) ? Outcome::kInstalled : Outcome::kBadWorld;
}

}  // namespace

bool ParseChoice(const std::string& name, Choice* choice) {
    if (name == "auto")
        *choice = Choice::Auto;
    else if (name == "sim")
        *choice = Choice::Sim;
    else if (name == "bluez")
        *choice = Choice::BlueZ;
    else
        return false;
    return true;
}

bool ResolveChoice(const std::string* option, Choice* choice, std::string* error) {
    std::string name = "auto";
    std::string source = "--backend";
    if (option) {
        name = *option;
    } else if (const char* variable = std::getenv("NIMBREL_BACKEND"); variable && *variable) {
        name = variable;
        source = "NIMBREL_BACKEND";
    }
    if (ParseChoice(name, choice)) return true;
    // At most a line of it: the value is the user's, shown back only as far as it is sensible.
    std::string shown;
    for (char c : name.substr(0, 40)) shown += (c >= 0x20 && c < 0x7F) ? c : '?';
    if (error) *error = source + ": unknown backend '" + shown + "' (sim, bluez or auto)";
    return false;
}

bool BuiltWithBlueZ() {
#ifdef NIMBREL_WITH_BLUEZ
    return true;
#else
    return false;
#endif
}

Outcome Install(Choice choice, std::string* error) {
    std::string problem;
    switch (choice) {
        case Choice::Sim: return InstallSimulated(error);
        case Choice::BlueZ:
#ifdef NIMBREL_WITH_BLUEZ
            if (bluez::InstallBlueZ(kInstallTimeoutMs, &problem)) return Outcome::kInstalled;
            if (error) *error = problem.empty() ? "BlueZ does not answer" : problem;
#else
            if (error) *error = "built without BlueZ support: use --backend sim";
#endif
            return Outcome::kUnavailable;
        case Choice::Auto:
#ifdef NIMBREL_WITH_BLUEZ
            if (bluez::BlueZAvailable(kProbeTimeoutMs) && bluez::InstallBlueZ(kInstallTimeoutMs, &problem))
                return Outcome::kInstalled;
#endif
            return InstallSimulated(error);
    }
    return Outcome::kUnavailable;
}

bool PoweredOn() { return HardwareStatus() == HCI_HARDWARE_RUNNING; }
bool PoweredOff() { return HardwareStatus() == HCI_HARDWARE_SHUTDOWN; }

}  // namespace hostbackend
