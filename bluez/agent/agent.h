#pragma once
// Our pairing agent (org.bluez.Agent1 at /org/nimbrel/agent), registered with bluetoothd as
// the default agent each time it attaches. It answers the PIN of a pairing we began at once,
// and turns a remote device's PIN request into the engine's incoming request: it waits, as an
// open D-Bus call, until the engine answers or refuses it, bluetoothd cancels it or its time
// runs out (then it is refused).
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <mutex>
#include <string>

#include "bluez/dbus/bluez_connection.h"
#include "platform/bluetooth/bt_backend.h"
#include "platform/kernel/types.h"

typedef struct _GDBusMethodInvocation GDBusMethodInvocation;

namespace bluez {

class Agent {
public:
    // At most this many incoming requests stay open; more are refused at once.
    static constexpr std::size_t kMaxOpen = 64;
    static constexpr const char* kPath = "/org/nimbrel/agent";

    explicit Agent(BlueZConnection& connection);
    // Refuses what is still open; call before the connection closes.
    void Close();

    // The PIN our own pairing with the device at `devicePath` gives when asked.
    void SetOutgoingPin(const std::string& devicePath, const std::string& pin);
    void ClearOutgoingPin(const std::string& devicePath);

    // The engine's handler of incoming requests.
    DWORD RegisterHandler(HANDLE event, DWORD storeTimeoutMs, DWORD processTimeoutMs);
    void UnregisterHandler();
    // The oldest request not fetched yet (it stays open), else ERROR_NO_MORE_ITEMS.
    DWORD Next(BT_ADDR* address);
    // What the device's oldest open request asks; false when none is open.
    bool Kind(BT_ADDR address, bth::PinRequestKind* kind);
    // Answers, or refuses, the device's oldest open request; false when none is open. A
    // confirmation is answered yes whatever the PIN; a passkey request takes the PIN's digits.
    bool Answer(BT_ADDR address, const std::string& pin);
    bool Refuse(BT_ADDR address);

    // On the loop's thread, from the D-Bus method handler.
    void HandleCall(const char* method, GVariant* parameters, GDBusMethodInvocation* invocation);

private:
    enum class Asks { Pin, Passkey, Confirmation };
    struct Request {
        std::uint64_t id = 0;
        BT_ADDR address = 0;
        Asks asks = Asks::Pin;
        std::optional<std::uint32_t> passkey;  // the one to confirm
        GDBusMethodInvocation* invocation = nullptr;  // replied to on the loop's thread only
        bool fetched = false;
    };

    void Attached(GDBusConnection* connection);
    void OpenRequest(Request request);
    // Takes the device's oldest open request out; false when none.
    bool TakeRequest(BT_ADDR address, Request* request);
    // On the loop's thread.
    static void Refused(GDBusMethodInvocation* invocation, const char* error = "org.bluez.Error.Rejected");

    BlueZConnection& connection_;
    unsigned registration_ = 0;  // the exported object, loop's thread only

    std::mutex mutex_;
    std::map<std::string, std::string> outgoing_;  // device path -> PIN
    std::deque<Request> open_;                      // oldest first
    HANDLE handler_ = nullptr;
    DWORD requestTimeoutMs_ = 0;
    std::uint64_t nextId_ = 1;
};

}  // namespace bluez
