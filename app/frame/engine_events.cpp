#include "app/frame/engine_events.h"

#include <mutex>

#include "engine/device/device_distant.h"
#include "engine/frame/error_codes.h"
#include "engine/frame/notifications.h"

namespace {

std::mutex g_liveLock;
EngineEvents* g_live = nullptr;  // under g_liveLock

// Runs `emitWith` on the live instance, if any, under the lock its destructor takes.
template <typename Emit>
void WithLive(Emit emitWith) {
    std::lock_guard lock(g_liveLock);
    if (g_live) emitWith(*g_live);
}

struct Forwarding {
    int code;
    NIMBRL_CALLBACK callback;
};

// A callback that emits `Signal`.
template <void (EngineEvents::*Signal)()>
int Emits(NOTIFY_VALUE, NOTIFY_VALUE) {
    WithLive([](EngineEvents& events) { emit (events.*Signal)(); });
    return 0;
}

// A callback that emits `Signal` with the service the notification names.
template <void (EngineEvents::*Signal)(EngineEvents::ServiceKey)>
int EmitsService(NOTIFY_VALUE value, NOTIFY_VALUE) {
    const auto service = static_cast<EngineEvents::ServiceKey>(value);
    WithLive([service](EngineEvents& events) { emit (events.*Signal)(service); });
    return 0;
}

int EmitsPairRequest(NOTIFY_VALUE value, NOTIFY_VALUE) {
    // The device is valid only while this callback runs: its address goes on.
    const auto* device = reinterpret_cast<const CDeviceDistant*>(value);
    if (!device) return 0;
    const quint64 address = device->GetBtAddr();
    WithLive([address](EngineEvents& events) { emit events.pairRequested(address); });
    return 0;
}

// In the order of registration and of unregistration.
const Forwarding kForwardings[] = {
    {NOTIFY_DEVICE_ADDED, Emits<&EngineEvents::listsChanged>},
    {NOTIFY_SERVICE_ADDED, Emits<&EngineEvents::listsChanged>},
    {NOTIFY_PAIRING_CHANGED, Emits<&EngineEvents::listsChanged>},
    {NOTIFY_PIN_REQUEST, EmitsPairRequest},
    {NOTIFY_INQUIRY_BEGIN, Emits<&EngineEvents::inquiryStarted>},
    {NOTIFY_INQUIRY_END, Emits<&EngineEvents::inquiryEnded>},
    {NOTIFY_CONNECTED, EmitsService<&EngineEvents::connected>},
    {NOTIFY_DISCONNECTED, EmitsService<&EngineEvents::disconnected>},
    {NOTIFY_FOLDER_CHANGED, Emits<&EngineEvents::listsChanged>},
    {NOTIFY_FOLDER_ITEM_DELETED, Emits<&EngineEvents::listsChanged>},
    {NOTIFY_CONNECTING, Emits<&EngineEvents::connecting>},
    {NOTIFY_CONNECT_FAILED, EmitsService<&EngineEvents::connectFailed>},
    {NOTIFY_OBEX_DISCONNECTED, EmitsService<&EngineEvents::obexDisconnected>},
};

}  // namespace

EngineEvents::EngineEvents(QObject* parent) : QObject(parent) {
    std::lock_guard lock(g_liveLock);
    g_live = this;
}

EngineEvents::~EngineEvents() {
    Listen(false);
    std::lock_guard lock(g_liveLock);
    if (g_live == this) g_live = nullptr;
}

void EngineEvents::Listen(bool on) {
    for (const Forwarding& forwarding : kForwardings) {
        if (on)
            NIMBRL_RegisterCallback(forwarding.code, forwarding.callback, 0);
        else
            NIMBRL_UnregisterCallback(forwarding.code);
    }
}

void EngineEvents::ReportError(int code, const QString& text) {
    WithLive([code, &text](EngineEvents& events) {
        emit events.errorReported(text);
        if (code == ERR_SERVICE_DISCONNECTED) emit events.linkLost(text);
    });
}
