// The simulated radio is the platform's Bluetooth backend: it installs its devices on the
// first use of the device namespace.
#include "platform/kernel/device.h"
#include "sim/radio.h"

namespace {

struct InstallRadio {
    InstallRadio() {
        platform::SetDeviceBootHook([] { sim::Radio::Instance().EnsureBooted(); });
    }
} g_installRadio;

}  // namespace
