#include "platform/kernel/kernel_object.h"

#include <cstdint>
#include <unordered_map>

namespace platform {
namespace {

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> objects;
    std::uintptr_t next = 0x100;
};

HandleTable& Table() {
    static auto* table = new HandleTable;  // never destroyed: threads may outlive static teardown
    return *table;
}

std::uintptr_t Key(HANDLE handle) { return reinterpret_cast<std::uintptr_t>(handle); }

}  // namespace

std::mutex& WaitLock() {
    static auto* lock = new std::mutex;
    return *lock;
}

std::condition_variable& WaitCondition() {
    static auto* condition = new std::condition_variable;
    return *condition;
}

void WakeWaiters() { WaitCondition().notify_all(); }

HANDLE AddHandle(std::shared_ptr<KernelObject> object) {
    if (!object) return nullptr;
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    std::uintptr_t key = table.next;
    table.next += 4;
    table.objects.emplace(key, std::move(object));
    return reinterpret_cast<HANDLE>(key);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.objects.find(Key(handle));
    return it == table.objects.end() ? nullptr : it->second;
}

std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle) {
    auto& table = Table();
    std::shared_ptr<KernelObject> object;
    {
        std::lock_guard lock(table.mutex);
        auto it = table.objects.find(Key(handle));
        if (it == table.objects.end()) return nullptr;
        object = std::move(it->second);
        table.objects.erase(it);
    }
    return object;  // released by the caller, outside the table lock
}

}  // namespace platform
