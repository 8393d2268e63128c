#include "sim/radio.h"

#include <algorithm>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/bluetooth/bt_driver.h"
#include "platform/kernel/device.h"
#include "sim/adapter_devices.h"
#include "sim/ident.h"
#include "sim/security_keys.h"

namespace sim {

Radio& Radio::Instance() {
    static auto* radio = new Radio;  // outlives every thread that may still call it at exit
    return *radio;
}

void Radio::EnsureBooted() { Boot(nullptr); }

void Radio::Boot(const World* chosen) {
    bool booted = false;
    std::call_once(booted_, [&] {
        booted = true;
        if (chosen) return Reset(*chosen);
        World world;
        std::string error;
        if (!LoadConfiguredWorld(&world, &error)) {
            // Tools check the world before they start; a library user learns it here.
            std::fprintf(stderr, "nimbrel: %s\n", error.c_str());
            world.adapter.stack = false;
            world.adapter.service = false;
        }
        Reset(world);
    });
    if (!booted && chosen) Reset(*chosen);
}

void Radio::Reset(const World& world) {
    std::lock_guard serial(resetMutex_);
    std::unique_ptr<Timeline> timeline;
    std::shared_ptr<const KernelEvent> abort;
    {
        std::lock_guard lock(mutex_);
        world_ = world;
        adapter_ = AdapterState{};
        adapter_.scanMask = world.adapter.scanMask;
        adapter_.authentication = world.adapter.authentication;
        links_.clear();
        ++generation_;
        lookups_.EndAll();
        pins_ = PinRequests{};
        sdpOverrides_.clear();
        sdpRecords_.clear();
        timeline = std::move(timeline_);
        abort = std::exchange(abort_, std::make_shared<const KernelEvent>());
    }
    abort->Set();
    timeline.reset();  // joins its thread, which may be waiting for the lock: not held here
    pairedValues_ = ReplacePairedPins(pairedValues_, world.devices);
    InstallDevices(world);
    WriteIdentNameIfAbsent(world.adapter.name);
}

void Radio::InstallDevices(const World& world) {
    if (world.adapter.stack) platform::AddBuiltInDevice(L"BTD0:", MakeStackDriver(*this));
    else platform::RemoveBuiltInDevice(L"BTD0:");
    if (world.adapter.service) platform::AddBuiltInDevice(L"BTS1:", MakeServiceDriver(*this));
    else platform::RemoveBuiltInDevice(L"BTS1:");
}

World Radio::world() const {
    std::lock_guard lock(mutex_);
    return world_;
}

AdapterState Radio::adapter() const {
    std::lock_guard lock(mutex_);
    return adapter_;
}

bool Radio::HasFault(const std::string& fault) const {
    std::lock_guard lock(mutex_);
    auto& faults = world_.adapter.faults;
    return std::find(faults.begin(), faults.end(), fault) != faults.end();
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
            world_.events, [this, generation = generation_](const WorldEvent& event) { RaiseFromTimeline(generation, event); });
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

DWORD Radio::Serve(const char* fault, const std::function<void()>& request) {
    if (HasFault(fault)) return ERROR_GEN_FAILURE;
    std::lock_guard lock(mutex_);
    request();
    return ERROR_SUCCESS;
}

DWORD Radio::ServiceControl(bool start) {
    return Serve(start ? "bts-start" : "bts-stop", [&] {
        adapter_.serviceRunning = start;
        ++(start ? adapter_.serviceStarts : adapter_.serviceStops);
    });
}

DWORD Radio::ReadScanMask(std::uint8_t* mask) {
    return Serve("local-reads", [&] { *mask = adapter_.scanMask; });
}

DWORD Radio::WriteScanMask(std::uint8_t mask) {
    return Serve("scan-write", [&] { adapter_.scanMask = mask; });
}

DWORD Radio::ReadAuthentication(std::uint8_t* value) {
    return Serve("local-reads", [&] { *value = adapter_.authentication; });
}

DWORD Radio::WriteAuthentication(std::uint8_t value) {
    return Serve("authentication-write", [&] { adapter_.authentication = value; });
}

DWORD Radio::ReadClass(std::uint32_t* classOfDevice) {
    return Serve("local-reads", [&] { *classOfDevice = world_.adapter.classOfDevice; });
}

DWORD Radio::ReadAddress(std::uint64_t* address) {
    return Serve("local-reads", [&] { *address = world_.adapter.address; });
}

DWORD Radio::ReadHardwareStatus(std::uint32_t* status) {
    if (HasFault("hardware-read")) return ERROR_NOT_READY;
    std::lock_guard lock(mutex_);
    ++adapter_.hardwareReads;
    std::uint32_t readyAfter = world_.adapter.readyAfterReads;
    *status = (readyAfter > 0 && adapter_.hardwareReads >= readyAfter) ? HCI_HARDWARE_RUNNING
                                                                      : world_.adapter.hardwareStatus;
    return ERROR_SUCCESS;
}

DWORD Radio::ReadBasebandConnections(BthDriverConnection* records, DWORD capacity, DWORD* count) {
    std::lock_guard lock(mutex_);
    *count = static_cast<DWORD>(links_.size());
    if (links_.size() > capacity) return ERROR_SUCCESS;  // the caller learns the count and asks again
    if (!records && !links_.empty()) return ERROR_INVALID_PARAMETER;
    std::copy(links_.begin(), links_.end(), records);
    return ERROR_SUCCESS;
}

void Radio::CountRequest() {
    std::lock_guard lock(mutex_);
    ++adapter_.stackRequests;
}

void Radio::SetBasebandLinks(const std::vector<BthDriverConnection>& links) {
    std::lock_guard lock(mutex_);
    links_ = links;
}

void UseWorld(const World& world) { Radio::Instance().Boot(&world); }

bool UseWorldText(const std::string& json, std::string* error) {
    World world;
    if (!ParseWorld(json, "the test world", &world, error)) return false;
    UseWorld(world);
    return true;
}

}  // namespace sim
