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
#include "platform/bluetooth/bt_backend.h"
#include "platform/text/utf.h"
#include "stop_signal.h"

namespace ctl {
namespace {

int PrintPaired(const CDeviceDistant& device) {
    std::printf("%s\tpaired\t%d\n", Address(device.GetBtAddr()).c_str(), device.IsPaired());
    return device.IsPaired() ? kExitOk : kExitFailed;
}

// How `watch` answers: "--pin PIN" for PIN requests, "--confirm" to say yes to devices that
// ask to confirm a passkey; without them, it refuses.
struct WatchAnswers {
    std::wstring pin;
    bool confirm = false;
};

// The options of `watch`; false, with a message, for anything else.
bool ParseWatchOptions(const std::vector<std::string>& args, WatchAnswers* answers) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--confirm") {
            answers->confirm = true;
        } else if (args[i] == "--pin" && i + 1 < args.size() && !args[i + 1].empty()) {
            answers->pin = platform::WideFromUtf8(args[++i]);
        } else {
            std::fprintf(stderr, "nimbrelctl: expected --pin PIN and/or --confirm\n");
            return false;
        }
    }
    return true;
}

// Answers one device's request as the options say, and prints what became of it.
void AnswerRequest(CDeviceDistant& device, const WatchAnswers& answers) {
    const std::string address = Address(device.GetBtAddr());
    bth::PinRequestKind kind;
    auto backend = bth::InstalledBackend();
    if (backend && backend->ReadPinRequestKind(device.GetBtAddr(), &kind) == ERROR_SUCCESS && kind.confirmation) {
        // Secure Simple Pairing: the user compares the passkey both sides show.
        if (kind.passkey) std::printf("%s\tconfirm\t%06u\n", address.c_str(), *kind.passkey);
        else std::printf("%s\tconfirm\t-\n", address.c_str());
        if (answers.confirm) {
            device.AnswerPairRequest(1, L"y");
            PrintPaired(device);
        } else {
            device.RefusePairRequest();
            std::printf("%s\trefused\n", address.c_str());
        }
        return;
    }
    if (answers.pin.empty()) {
        device.RefusePairRequest();
        std::printf("%s\trefused\n", address.c_str());
    } else {
        device.AnswerPairRequest(static_cast<int>(answers.pin.size()), answers.pin.c_str());
        PrintPaired(device);
    }
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
    WatchAnswers answers;
    if (!ParseWatchOptions(args, &answers)) return kExitUsage;
    CatchStopSignals();
    NotificationHub::PrintAll();
    PinRequestQueue requests;
    CDeviceLocal local;
    if (!Activate(local)) return kExitFailed;
    std::printf("watching\n");
    // Devices stay valid on this thread: it never runs a discovery that would forget them.
    while (WaitForStopOrWake() != Woken::Stop) {
        while (CDeviceDistant* device = requests.Take()) {
            AnswerRequest(*device, answers);
            std::fflush(stdout);
        }
    }
    local.Activate(0);
    return kExitOk;
}

}  // namespace ctl
