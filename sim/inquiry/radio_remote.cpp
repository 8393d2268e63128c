// Queries of remote devices (name, class of device) and the radio's waits.
#include <chrono>

#include "platform/text/utf.h"
#include "sim/radio.h"

namespace sim {

bool Radio::WaitOut(const KernelEvent& cancel, DWORD milliseconds) {
    if (milliseconds == 0) return !cancel.Wait(0);
    {
        std::lock_guard lock(mutex_);
        ++blockedWaits_;
    }
    waitsChanged_.notify_all();
    const bool cancelled = cancel.Wait(milliseconds);
    std::lock_guard lock(mutex_);
    --blockedWaits_;
    return !cancelled;
}

bool Radio::AwaitBlockedRequests(std::size_t count, DWORD timeoutMs) {
    std::unique_lock lock(mutex_);
    return waitsChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return blockedWaits_ >= count; });
}

std::optional<WorldDevice> Radio::ReachableDevice(BT_ADDR address) const {
    std::lock_guard lock(mutex_);
    const WorldDevice* device = FindDevice(world_, address);
    if (!adapter_.powered || !device || !device->inRange) return std::nullopt;
    return *device;
}

DWORD Radio::RemoteName(BT_ADDR address, std::wstring* name) {
    std::shared_ptr<const KernelEvent> abort;
    DWORD latency = 0;
    {
        std::lock_guard lock(mutex_);
        abort = abort_;
        latency = world_.timing.nameMs;
    }
    if (!WaitOut(*abort, latency)) return ERROR_CANCELLED;
    if (!Powered()) return ERROR_NOT_READY;
    const auto device = ReachableDevice(address);
    if (!device) return ERROR_TIMEOUT;
    if (!device->nameQuery) return ERROR_GEN_FAILURE;
    *name = platform::WideFromUtf8(device->name);
    return ERROR_SUCCESS;
}

DWORD Radio::RemoteClass(BT_ADDR address, std::uint32_t* classOfDevice) {
    if (!Powered()) return ERROR_NOT_READY;
    const auto device = ReachableDevice(address);
    if (!device) return ERROR_TIMEOUT;
    if (!device->classQuery) return ERROR_GEN_FAILURE;
    *classOfDevice = device->classOfDevice;
    return ERROR_SUCCESS;
}

}  // namespace sim
