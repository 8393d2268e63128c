#include "engine/frame/notifications.h"

#include <mutex>

namespace {

constexpr int kFirstCode = NOTIFY_INQUIRY_BEGIN;
constexpr unsigned kSlotCount = NOTIFY_OBEX_DISCONNECTED - NOTIFY_INQUIRY_BEGIN + 1;

struct Slot {
    NIMBRL_CALLBACK callback = nullptr;
    NOTIFY_VALUE user = 0;
};

// The host registers from its own thread while engine threads may be firing; a slot is read
// whole under the lock and its callback runs outside it.
std::mutex g_slotsLock;
Slot g_slots[kSlotCount];

}  // namespace

int NIMBRL_RegisterCallback(int code, NIMBRL_CALLBACK callback, NOTIFY_VALUE user) {
    // Negative codes become huge as unsigned numbers and are refused with the rest.
    unsigned index = static_cast<unsigned>(code) - static_cast<unsigned>(kFirstCode);
    if (index >= kSlotCount) return 0;
    std::lock_guard lock(g_slotsLock);
    g_slots[index] = Slot{callback, user};
    return 1;
}

int NIMBRL_UnregisterCallback(int code) { return NIMBRL_RegisterCallback(code, nullptr, 0); }

int FireNotification(int code, NOTIFY_VALUE value) {
    unsigned index = static_cast<unsigned>(code) - static_cast<unsigned>(kFirstCode);
    if (index >= kSlotCount) return 0;
    Slot slot;
    {
        std::lock_guard lock(g_slotsLock);
        slot = g_slots[index];
    }
    if (!slot.callback) return 0;
    slot.callback(value, slot.user);
    return 1;
}
