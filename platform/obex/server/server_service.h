#pragma once
// The OBEX server service "OBX0:": its start request runs Object Push into the folder the
// registry value "ObexOPP" names and File Transfer over the folder "ObexFTP" names (both
// "\Temp" when unset), on the backend's Bluetooth servers and, when the host asked, on a
// loopback TCP port; its stop request ends them and every connection they serve.
#include <memory>

#include "platform/bluetooth/bt_backend.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

// 0 when at least one server listens (also when they run already); else the reason none does.
DWORD StartServers(std::shared_ptr<bth::Backend> backend);
void StopServers();

// The RFCOMM channel of the running Bluetooth server of this class (Object Push or File
// Transfer), for its record; 0 when none runs.
std::uint8_t ServerChannel(const sdp::Uuid& serviceClass);

// At most this many connections are served at once; more are closed as they come.
inline constexpr std::size_t kMaxServerConnections = 16;

}  // namespace obex

#pragma GCC visibility pop
