#pragma once
// The stack driver "BTD0:", the stack service "BTS1:" and the OBEX server service "OBX0:" over
// a Bluetooth backend: each
// request's call block is decoded here, served by one backend method, and its results
// written back into the caller's block and buffers.
#include <memory>

#include "platform/bluetooth/bt_backend.h"
#include "platform/bluetooth/bt_driver.h"
#include "platform/kernel/device.h"

namespace bth {

std::shared_ptr<platform::StreamDriver> MakeStackDriver(std::shared_ptr<Backend> backend);
std::shared_ptr<platform::StreamDriver> MakeStackServiceDriver(std::shared_ptr<Backend> backend);
// The OBEX server service "OBX0:".
std::shared_ptr<platform::StreamDriver> MakeObexServiceDriver(std::shared_ptr<Backend> backend);

// Serves one call-block request; 0 or the system error code. Exposed for the driver's tests.
class StackRequests {
public:
    explicit StackRequests(std::shared_ptr<Backend> backend);
    ~StackRequests();
    DWORD Serve(DWORD code, BthCallBlock& block);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace bth
