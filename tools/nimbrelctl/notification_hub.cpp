#include "notification_hub.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <string>

#include "console.h"
#include "engine/device/device.h"
#include "engine/service/service.h"

namespace ctl {
namespace {

struct Listening {
    int code;
    NotificationHub::Listener listener;
};

std::mutex g_lock;
std::map<int, Listening> g_listeners;  // by subscription id
int g_lastId = 0;
bool g_printing = false;

const char* CodeName(int code) {
    static const char* const kNames[] = {
        "NOTIFY_INQUIRY_BEGIN", "NOTIFY_INQUIRY_END",    "NOTIFY_DEVICE_ADDED",      "NOTIFY_SERVICE_ADDED",
        "NOTIFY_PAIRING_CHANGED", "NOTIFY_PIN_REQUEST",  "NOTIFY_CONNECTED",         "NOTIFY_DISCONNECTED",
        "NOTIFY_FOLDER_CHANGED", "NOTIFY_FOLDER_ITEM_DELETED", "NOTIFY_CONNECTING", "NOTIFY_CONNECT_FAILED",
        "NOTIFY_OBEX_DISCONNECTED"};
    return kNames[code - NOTIFY_INQUIRY_BEGIN];
}

std::string Concerned(const CDevice* device) {
    return device ? Address(device->GetBtAddr()) + " " + Text(device->GetName()) : std::string();
}

// What the value names: the device of a PIN request, the service of a connection's events.
std::string Subject(int code, NOTIFY_VALUE value) {
    if (!value) return std::string();
    if (code == NOTIFY_PIN_REQUEST) return Concerned(reinterpret_cast<const CDevice*>(value));
    if (code == NOTIFY_CONNECTED || code == NOTIFY_DISCONNECTED || code == NOTIFY_CONNECTING ||
        code == NOTIFY_CONNECT_FAILED) {
        const auto* service = reinterpret_cast<const CService*>(value);
        return Concerned(service->GetDevice()) + ": " + Text(service->GetName());
    }
    return std::string();
}

int Raised(NOTIFY_VALUE value, NOTIFY_VALUE code) {
    std::lock_guard lock(g_lock);
    const int notification = static_cast<int>(code);
    if (g_printing) {
        const std::string subject = Subject(notification, value);
        std::fprintf(stderr, "%s %s%s%s\n", TimeOfDay().c_str(), CodeName(notification), subject.empty() ? "" : " ",
                     subject.c_str());
    }
    for (auto& [id, listening] : g_listeners)
        if (listening.code == notification) listening.listener(value);
    return 0;
}

}  // namespace

void NotificationHub::Install() {
    for (int code = NOTIFY_INQUIRY_BEGIN; code <= NOTIFY_OBEX_DISCONNECTED; ++code)
        NIMBRL_RegisterCallback(code, &Raised, static_cast<NOTIFY_VALUE>(code));
}

void NotificationHub::PrintAll() {
    std::lock_guard lock(g_lock);
    g_printing = true;
}

NotificationHub::Subscription NotificationHub::Subscribe(int code, Listener listener) {
    std::lock_guard lock(g_lock);
    g_listeners[++g_lastId] = Listening{code, std::move(listener)};
    return Subscription(g_lastId);
}

NotificationHub::Subscription::~Subscription() {
    if (!id_) return;
    std::lock_guard lock(g_lock);
    g_listeners.erase(id_);
}

}  // namespace ctl
