// Pairing from the console: with a PIN the user gives, undoing a pairing, and answering the
// PIN requests of remote devices while the engine runs.
#include "pairing_commands.h"

#include <cstdio>
#include <deque>
#include <mutex>

#include "console.h"
#include "engine/device/device_local.h"
#include "engine_steps.h"
#include "notification_hub.h"
#include "platform/text/utf.h"
#include "stop_signal.h"

namespace ctl {
namespace {

int PrintPaired(const CDeviceDistant& device) {
    std::printf("%s\tpaired\t%d\n", Address(device.GetBtAddr()).c_str(), device.IsPaired());
    return device.IsPaired() ? kExitOk : kExitFailed;
}

// "--pin PIN" at the front of `args`; false, with a message, for anything else.
bool ParsePinOption(const std::vector<std::string>& args, std::wstring* pin) {
    if (args.empty()) return true;
    if (args.size() != 2 || args[0] != "--pin" || args[1].empty()) {
        std::fprintf(stderr, "nimbrelctl: expected --pin PIN\n");
        return false;
    }
    *pin = platform::WideFromUtf8(args[1]);
    return true;
}

// The devices that asked for a PIN, handed from the engine's thread to the command's.
class PinRequestQueue {
public:
    PinRequestQueue()
        : subscription_(NotificationHub::Subscribe(NOTIFY_PIN_REQUEST, [this](NOTIFY_VALUE value) {
              std::lock_guard lock(lock_);
              waiting_.push_back(reinterpret_cast<CDeviceDistant*>(value));
              Wake();
          })) {}
    CDeviceDistant* Take() {
        std::lock_guard lock(lock_);
        if (waiting_.empty()) return nullptr;
        CDeviceDistant* device = waiting_.front();
        waiting_.pop_front();
        return device;
    }

private:
    std::mutex lock_;
    std::deque<CDeviceDistant*> waiting_;
    NotificationHub::Subscription subscription_;  // last: goes first
};

}  // namespace

int Pair(const std::vector<std::string>& args) {
    BT_ADDR address = 0;
    if (!ParseAddressArgument(args[0], &address)) return kExitUsage;
    const std::wstring pin = platform::WideFromUtf8(args[1]);
    CDeviceLocal local;
    if (!Activate(local)) return kExitFailed;
    CDeviceDistant* device = FindDevice(local, address);
    if (!device) return kExitFailed;
    device->AskPairRequest(static_cast<int>(pin.size()), pin.c_str());
    return PrintPaired(*device);
}

int Unpair(const std::vector<std::string>& args) {
    BT_ADDR address = 0;
    if (!ParseAddressArgument(args[0], &address)) return kExitUsage;
    CDeviceLocal local;
    if (!Activate(local)) return kExitFailed;
    CDeviceDistant* device = FindDevice(local, address);
    if (!device) return kExitFailed;
    device->Unpair();
    PrintPaired(*device);
    return device->IsPaired() ? kExitFailed : kExitOk;
}

int Watch(const std::vector<std::string>& args) {
    std::wstring pin;
    if (!ParsePinOption(args, &pin)) return kExitUsage;
    CatchStopSignals();
    NotificationHub::PrintAll();
    PinRequestQueue requests;
    CDeviceLocal local;
    if (!Activate(local)) return kExitFailed;
    std::printf("watching\n");
    // Devices stay valid on this thread: it never runs a discovery that would forget them.
    while (WaitForStopOrWake() != Woken::Stop) {
        while (CDeviceDistant* device = requests.Take()) {
            if (pin.empty()) {
                device->RefusePairRequest();
                std::printf("%s\trefused\n", Address(device->GetBtAddr()).c_str());
            } else {
                device->AnswerPairRequest(static_cast<int>(pin.size()), pin.c_str());
                PrintPaired(*device);
            }
            std::fflush(stdout);
        }
    }
    local.Activate(0);
    return kExitOk;
}

}  // namespace ctl
