#pragma once
// The simulated OBEX servers behind a device's Object Push and File Transfer services. They
// read requests with the platform's OBEX codec and answer with it, one answer per request:
// from inside the link's Receive, or on a link of limited rate once the answer's bytes have
// had the time they take.
#include <filesystem>
#include <functional>
#include <memory>

#include "sim/serial/endpoint.h"

namespace sim {

// What the server announces as the largest packet it takes; larger ones are refused.
inline constexpr std::uint16_t kServerMaxPacket = 16384;

// The OBEX Folder Browsing target a File Transfer client connects to.
inline constexpr std::uint8_t kFolderBrowsingTarget[16] = {0xF9, 0xEC, 0x7B, 0xC4, 0x95, 0x3C, 0x11, 0xD2,
                                                          0x98, 0x4E, 0x52, 0x54, 0x00, 0xDC, 0x9E, 0x09};

struct ObexServerConfig {
    bool fileTransfer = false;     // else Object Push
    std::filesystem::path folder;  // the File Transfer root, or the Object Push inbox
    ObexFaults faults;
    std::uint32_t linkKbps = 0;  // what the server sends, at most (0: unlimited)
};

// Calls `hangup` to break the link (a drop fault, or a peer whose packets lost their framing).
std::unique_ptr<SerialEndpoint> MakeObexServer(const ObexServerConfig& config, SerialEndpoint::Output output,
                                               std::function<void()> hangup);

}  // namespace sim
