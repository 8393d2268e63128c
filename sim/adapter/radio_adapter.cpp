// The local adapter: its devices, its settings and its links.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/bluetooth/bt_driver.h"
#include "sim/adapter/adapter_settings.h"
#include "sim/radio.h"
#include "sim/serial/serial_link.h"

namespace sim {

bool Radio::HasStack() {
    std::lock_guard lock(mutex_);
    return world_.adapter.stack;
}

bool Radio::HasStackService() {
    std::lock_guard lock(mutex_);
    return world_.adapter.service;
}

bool Radio::HasFault(const std::string& fault) const {
    std::lock_guard lock(mutex_);
    auto& faults = world_.adapter.faults;
    return std::find(faults.begin(), faults.end(), fault) != faults.end();
}

DWORD Radio::Serve(const char* fault, const std::function<void()>& request) {
    if (HasFault(fault)) return ERROR_GEN_FAILURE;
    std::lock_guard lock(mutex_);
    request();
    return ERROR_SUCCESS;
}

bool Radio::Powered() const {
    std::lock_guard lock(mutex_);
    return adapter_.powered;
}

std::string Radio::Describe() { return "sim"; }

DWORD Radio::WritePower(bool on) {
    std::lock_guard settings(settingsMutex_);
    // Stored first: a switch the next run would not see is not made.
    if (DWORD error = StorePowered(on)) return error;
    std::vector<std::shared_ptr<LinkCore>> serialLinks;
    {
        std::lock_guard lock(mutex_);
        const bool wasOn = std::exchange(adapter_.powered, on);
        if (on || !wasOn) return ERROR_SUCCESS;
        links_.clear();
        for (const auto& weak : serialLinks_)
            if (auto link = weak.lock()) serialLinks.push_back(std::move(link));
    }
    for (const auto& link : serialLinks) link->LoseRemote();  // their sinks are called without the lock
    return ERROR_SUCCESS;
}

bool Radio::HasObexService() {
    std::lock_guard lock(mutex_);
    return world_.adapter.obexService;
}

DWORD Radio::ControlObexService(bool start) {
    std::lock_guard lock(mutex_);
    adapter_.obexServiceRunning = start;
    return ERROR_SUCCESS;
}

bool Radio::HasObexComponent() {
    std::lock_guard lock(mutex_);
    return world_.adapter.obexComponent;
}

DWORD Radio::StartStack() {
    if (HasFault("stack-start")) return ERROR_GEN_FAILURE;
    std::lock_guard lock(mutex_);
    adapter_.stackStarted = true;
    ++adapter_.stackStarts;
    // The timeline counts from the first start; starting again does not restart it.
    if (!timeline_ && !world_.events.empty()) {
        // The radio lives on through the process's exit; its timeline thread must not.
        static std::once_flag stopAtExit;
        std::call_once(stopAtExit, [] { std::atexit([] { Instance().StopTimeline(); }); });
        timeline_ = std::make_unique<Timeline>(
            world_.events,
            [this, generation = generation_](const WorldEvent& event) { RaiseFromTimeline(generation, event); });
    }
    return ERROR_SUCCESS;
}

void Radio::StopTimeline() {
    std::unique_ptr<Timeline> timeline;
    {
        std::lock_guard lock(mutex_);
        timeline = std::move(timeline_);
    }
    // Joined outside the lock: its thread may be waiting for it.
}

DWORD Radio::ControlStackService(bool start) {
    return Serve(start ? "bts-start" : "bts-stop", [&] {
        adapter_.serviceRunning = start;
        ++(start ? adapter_.serviceStarts : adapter_.serviceStops);
    });
}

DWORD Radio::ReadScanMask(std::uint8_t* mask) {
    return Serve("local-reads", [&] { *mask = adapter_.scanMask; });
}

DWORD Radio::WriteScanMask(std::uint8_t mask) {
    if (HasFault("scan-write")) return ERROR_GEN_FAILURE;
    std::lock_guard settings(settingsMutex_);
    if (DWORD error = StoreScanMask(mask)) return error;
    std::lock_guard lock(mutex_);
    adapter_.scanMask = mask;
    return ERROR_SUCCESS;
}

DWORD Radio::ReadAuthentication(std::uint8_t* enabled) {
    return Serve("local-reads", [&] { *enabled = adapter_.authentication; });
}

DWORD Radio::WriteAuthentication(std::uint8_t enabled) {
    return Serve("authentication-write", [&] { adapter_.authentication = enabled; });
}

DWORD Radio::ReadLocalClass(std::uint32_t* classOfDevice) {
    return Serve("local-reads", [&] { *classOfDevice = world_.adapter.classOfDevice; });
}

DWORD Radio::ReadLocalAddress(BT_ADDR* address) {
    return Serve("local-reads", [&] { *address = world_.adapter.address; });
}

DWORD Radio::ReadHardwareStatus(std::uint32_t* status) {
    if (HasFault("hardware-read")) return ERROR_NOT_READY;
    std::lock_guard lock(mutex_);
    ++adapter_.hardwareReads;
    const std::uint32_t readyAfter = world_.adapter.readyAfterReads;
    if (!adapter_.powered)
        *status = HCI_HARDWARE_SHUTDOWN;
    else if (readyAfter > 0 && adapter_.hardwareReads >= readyAfter)
        *status = HCI_HARDWARE_RUNNING;
    else
        *status = world_.adapter.hardwareStatus;
    return ERROR_SUCCESS;
}

DWORD Radio::ReadBasebandLinks(std::vector<bth::BasebandLink>* links) {
    std::lock_guard lock(mutex_);
    ++adapter_.basebandReads;
    *links = links_;
    return ERROR_SUCCESS;
}

void Radio::SetBasebandLinks(const std::vector<bth::BasebandLink>& links) {
    std::lock_guard lock(mutex_);
    links_ = links;
}

}  // namespace sim
