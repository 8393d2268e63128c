#pragma once
// An OBEX transport over a connected stream socket (RFCOMM, TCP, one end of a socketpair).
#include <atomic>
#include <memory>

#include "platform/kernel/unique_fd.h"
#include "platform/obex/obex_transport.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

class SocketTransport final : public Transport {
public:
    // Takes the socket; null when the interrupt descriptor cannot be made (the socket is closed).
    static std::unique_ptr<SocketTransport> Create(platform::UniqueFd socket);

    TransportResult Send(std::span<const std::uint8_t> data) override;
    TransportResult Receive(std::span<std::uint8_t> buffer) override;
    void Interrupt() override;
    void ClearInterrupt() override;
    // Shuts the socket down both ways; the descriptor is closed with the object.
    void Close() override;

private:
    SocketTransport(platform::UniqueFd socket, platform::UniqueFd interrupt)
        : socket_(std::move(socket)), interrupt_(std::move(interrupt)) {}
    // Waits until the socket is ready for `events`; Ok, Interrupted, TimedOut or Failed.
    TransportStatus Wait(short events, Deadline deadline) const;

    platform::UniqueFd socket_;
    platform::UniqueFd interrupt_;  // an eventfd, readable while an interrupt is in force
    std::atomic<bool> closed_{false};
    std::atomic<bool> interrupted_{false};  // as the eventfd, for a send that does not wait
};

}  // namespace obex

#pragma GCC visibility pop
