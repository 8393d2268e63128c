#include "platform/registry/registry_handles.h"

#include <mutex>
#include <unordered_map>

namespace platform::registry {
namespace {

constexpr std::uintptr_t kRootBase = 0x80000000u;

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, KeyId> open;
    // Cookies count up from here and skip the roots' range.
    std::uintptr_t next = 0x1000;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

std::uintptr_t Cookie(HKEY handle) { return reinterpret_cast<std::uintptr_t>(handle); }

}  // namespace

bool IsRootKeyHandle(HKEY handle) {
    std::uintptr_t cookie = Cookie(handle);
    return cookie >= kRootBase && cookie < kRootBase + kRootCount;
}

HKEY OpenKeyHandle(KeyId key) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    if (table.next == kRootBase) table.next = kRootBase + 0x100;
    std::uintptr_t cookie = table.next++;
    table.open.emplace(cookie, key);
    return reinterpret_cast<HKEY>(cookie);
}

bool ResolveKeyHandle(HKEY handle, KeyId* key) {
    if (IsRootKeyHandle(handle)) {
        *key = kFirstRootId + static_cast<KeyId>(Cookie(handle) - kRootBase);
        return true;
    }
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto found = table.open.find(Cookie(handle));
    if (found == table.open.end()) return false;
    *key = found->second;
    return true;
}

bool CloseKeyHandle(HKEY handle) {
    HandleTable& table = Table();
    std::lock_guard lock(table.mutex);
    return table.open.erase(Cookie(handle)) == 1;
}

}  // namespace platform::registry
