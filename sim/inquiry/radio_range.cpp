// Devices walking out of range and coming back.
#include <algorithm>

#include "sim/radio.h"
#include "sim/serial/serial_link.h"

namespace sim {

void Radio::Leave(BT_ADDR address) { SetInRange(address, false, std::nullopt); }
void Radio::Return(BT_ADDR address) { SetInRange(address, true, std::nullopt); }

void Radio::SetInRange(BT_ADDR address, bool inRange, std::optional<std::uint64_t> generation) {
    std::vector<std::shared_ptr<LinkCore>> serialLinks;
    {
        std::lock_guard lock(mutex_);
        if (generation && *generation != generation_) return;
        auto device = std::find_if(world_.devices.begin(), world_.devices.end(),
                                   [&](const WorldDevice& known) { return known.address == address; });
        if (device == world_.devices.end()) return;
        device->inRange = inRange;
        if (inRange) return;
        std::erase_if(links_, [&](const bth::BasebandLink& link) { return link.address == address; });
        for (const auto& weak : serialLinks_)
            if (auto link = weak.lock()) serialLinks.push_back(std::move(link));
    }
    for (const auto& link : serialLinks) link->Lose(address);  // their sinks are called without the lock
}

}  // namespace sim
