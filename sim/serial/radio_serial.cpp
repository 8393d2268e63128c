// Serial links to the remote devices' serial services and to our own serial server.
#include <algorithm>

#include "sim/radio.h"

namespace sim {

DWORD Radio::ConnectSerial(BT_ADDR, const sdp::Uuid&, std::uint8_t, bth::SerialSink*,
                           std::unique_ptr<bth::SerialLink>*) {
    return ERROR_NOT_SUPPORTED;
}

DWORD Radio::ListenSerial(bth::SerialSink*, std::unique_ptr<bth::SerialLink>*) { return ERROR_NOT_SUPPORTED; }

bool Radio::IsPortReserved(DWORD index) {
    std::lock_guard lock(mutex_);
    const auto& reserved = world_.adapter.reservedPorts;
    return std::find(reserved.begin(), reserved.end(), index) != reserved.end();
}

}  // namespace sim
