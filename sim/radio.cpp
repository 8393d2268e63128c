#include "sim/radio.h"

#include "platform/bluetooth/bt_device_name.h"
#include "platform/text/utf.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "platform/bluetooth/bt_backend.h"
#include "platform/bluetooth/bt_device_name.h"
#include "platform/text/utf.h"
#include "sim/adapter/adapter_settings.h"
#include "sim/control/radio_control.h"
#include "sim/security/security_keys.h"
#include "sim/serial/serial_link.h"
#include "sim/simulated_radio.h"

namespace sim {

std::shared_ptr<Radio> Radio::Shared() {
    // Outlives every thread that may still call it at exit.
    static auto* radio = new std::shared_ptr<Radio>(new Radio);
    return *radio;
}

Radio& Radio::Instance() { return *Shared(); }

void Radio::Reset(const World& world) {
    std::lock_guard serial(resetMutex_);
    std::unique_ptr<Timeline> timeline;
    std::shared_ptr<const KernelEvent> abort;
    std::vector<std::shared_ptr<LinkCore>> serialLinks;
    const StoredAdapterSettings stored = ReadStoredAdapterSettings();
    {
        std::lock_guard lock(mutex_);
        world_ = world;
        adapter_ = AdapterState{};
        adapter_.powered = stored.powered.value_or(world.adapter.powered);
        adapter_.scanMask = stored.scanMask.value_or(world.adapter.scanMask);
        adapter_.authentication = world.adapter.authentication;
        links_.clear();
        ++generation_;
        lookups_.EndAll();
        pins_ = PinRequests{};
        sdpOverrides_.clear();
        sdpRecords_.clear();
        published_.Clear();
        serialLinks = TakeSerialLinks();
        obexServers_.clear();  // our OBEX servers are not reached from the new world
        timeline = std::move(timeline_);
        abort = std::exchange(abort_, std::make_shared<const KernelEvent>());
    }
    abort->Set();
    for (const auto& link : serialLinks) link->Break();  // their sinks are called without the lock
    timeline.reset();  // joins its thread, which may be waiting for the lock: not held here
    pairedValues_ = ReplacePairedPins(pairedValues_, world.devices);
    bth::WriteLocalDeviceName(platform::WideFromUtf8(world.adapter.name), false);
}

World Radio::world() const {
    std::lock_guard lock(mutex_);
    return world_;
}

AdapterState Radio::adapter() const {
    std::lock_guard lock(mutex_);
    return adapter_;
}

void InstallSimulatedRadio(const World& world) {
    Radio::Instance().Reset(world);
    if (bth::InstalledBackend() != Radio::Shared()) bth::InstallBackend(Radio::Shared());
    else bth::RefreshReservedPorts();
    ServeRadioControl();
}

bool InstallSimulatedRadio(std::string* error) {
    World world;
    std::string problem;
    const bool loaded = LoadConfiguredWorld(&world, &problem);
    if (!loaded) {
        world.adapter.stack = false;
        world.adapter.service = false;
        if (error) *error = problem;
    }
    InstallSimulatedRadio(world);
    return loaded;
}

}  // namespace sim
