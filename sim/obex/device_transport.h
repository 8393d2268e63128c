#pragma once
// The transport of a simulated remote device's OBEX client on a link to one of our servers:
// what it sends goes straight to our side's sink (on the device's thread, as a radio would
// carry it); what our server answers is held until the client reads it. The endpoint the link
// holds feeds this transport; once the link ends (our side closed it, the world went, the
// device left) every wait here returns.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/obex/obex_transport.h"
#include "sim/serial/endpoint.h"

namespace sim {

class LinkCore;

// What our server sent, not yet read by the device.
class DeviceInbox {
public:
    // More than a few answers unread means a server that does not wait for requests: the
    // device stops listening to it.
    static constexpr std::size_t kCapacity = 8 * 65536;

    void Push(const std::uint8_t* data, std::size_t size);
    // Ends the stream: waits return Closed once what is held has been read.
    void End();
    // Waits (until `deadline`, when given) for bytes and moves up to buffer.size() of them.
    obex::TransportResult Take(std::span<std::uint8_t> buffer, obex::Deadline deadline);
    void Interrupt(bool on);
    // Ok while the device may send; else why not.
    obex::TransportStatus SendStatus() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::uint8_t> held_;  // under mutex_
    std::size_t readAt_ = 0;          // under mutex_
    bool ended_ = false;              // under mutex_
    bool overflowed_ = false;         // under mutex_
    bool interrupted_ = false;        // under mutex_
};

// The remote end of the link, as the link holds it: our server's bytes go to the inbox.
std::unique_ptr<SerialEndpoint> MakeDeviceEndpoint(std::shared_ptr<DeviceInbox> inbox);

class DeviceTransport final : public obex::Transport {
public:
    DeviceTransport(std::shared_ptr<LinkCore> link, std::shared_ptr<DeviceInbox> inbox)
        : link_(std::move(link)), inbox_(std::move(inbox)) {}
    // Hangs up.
    ~DeviceTransport() override;

    obex::TransportResult Send(std::span<const std::uint8_t> data) override;
    obex::TransportResult Receive(std::span<std::uint8_t> buffer) override;
    void Interrupt() override { inbox_->Interrupt(true); }
    void ClearInterrupt() override { inbox_->Interrupt(false); }
    // The device hangs up: our side hears the link break.
    void Close() override;

private:
    const std::shared_ptr<LinkCore> link_;
    const std::shared_ptr<DeviceInbox> inbox_;
    std::once_flag hungUp_;
};

}  // namespace sim
