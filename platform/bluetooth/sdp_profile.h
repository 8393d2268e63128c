#pragma once
// Reading and building the service records of the RFCOMM-based profiles Nimbrel handles
// (serial port, dial-up networking, OBEX push and file transfer).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/bluetooth/sdp_record.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace sdp {

// True when the ServiceClassIDList names `serviceClass`, at any UUID width.
bool HasServiceClass(const Record& record, const Uuid& serviceClass);

// The RFCOMM server channel (1..30) from the ProtocolDescriptorList: the parameter after the
// RFCOMM UUID in its descriptor. An alternative of protocol stacks is searched stack by stack.
std::optional<std::uint8_t> RfcommChannel(const Record& record);

// The service name under the primary language base, without the trailing NULs some devices send.
std::optional<std::string> ServiceName(const Record& record);

// A record for an RFCOMM service: handle, service class, L2CAP / RFCOMM (/ OBEX) protocol
// stack, public browse group, profile descriptor (when a version is given) and name. UUIDs are
// written in their shortest form.
Record BuildRfcommServiceRecord(std::uint32_t handle, const Uuid& serviceClass, std::uint8_t channel,
                                std::string_view serviceName, bool obex, std::optional<std::uint16_t> profileVersion);

}  // namespace sdp

#pragma GCC visibility pop
