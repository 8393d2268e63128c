#include "sim/obex/device_transport.h"

#include <cstring>

#include "platform/obex/held_bytes.h"
#include "sim/serial/serial_link.h"

namespace sim {
namespace {

class DeviceEndpoint final : public SerialEndpoint {
public:
    explicit DeviceEndpoint(std::shared_ptr<DeviceInbox> inbox) : inbox_(std::move(inbox)) {}
    ~DeviceEndpoint() override { inbox_->End(); }
    void Receive(const std::uint8_t* data, std::size_t size) override { inbox_->Push(data, size); }

private:
    const std::shared_ptr<DeviceInbox> inbox_;
};

}  // namespace

void DeviceInbox::Push(const std::uint8_t* data, std::size_t size) {
    {
        std::lock_guard lock(mutex_);
        if (ended_) return;
        if (held_.size() - readAt_ + size > kCapacity) {
            overflowed_ = ended_ = true;
        } else {
            held_.insert(held_.end(), data, data + size);
        }
    }
    changed_.notify_all();
}

void DeviceInbox::End() {
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    changed_.notify_all();
}

obex::TransportStatus DeviceInbox::SendStatus() const {
    std::lock_guard lock(mutex_);
    if (interrupted_) return obex::TransportStatus::Interrupted;
    return ended_ ? obex::TransportStatus::Closed : obex::TransportStatus::Ok;
}

void DeviceInbox::Interrupt(bool on) {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = on;
    }
    changed_.notify_all();
}

obex::TransportResult DeviceInbox::Take(std::span<std::uint8_t> buffer, obex::Deadline deadline) {
    using obex::TransportStatus;
    if (buffer.empty()) return {};
    std::unique_lock lock(mutex_);
    const auto ready = [this] { return interrupted_ || ended_ || readAt_ < held_.size(); };
    if (deadline) {
        if (!changed_.wait_until(lock, *deadline, ready)) return {TransportStatus::TimedOut, 0};
    } else {
        changed_.wait(lock, ready);
    }
    if (interrupted_) return {TransportStatus::Interrupted, 0};
    if (overflowed_) return {TransportStatus::Failed, 0};
    if (readAt_ == held_.size()) return {TransportStatus::Closed, 0};  // ended, and all read
    return {TransportStatus::Ok, obex::TakeHeld(held_, readAt_, buffer)};
}

std::unique_ptr<SerialEndpoint> MakeDeviceEndpoint(std::shared_ptr<DeviceInbox> inbox) {
    return std::make_unique<DeviceEndpoint>(std::move(inbox));
}

DeviceTransport::~DeviceTransport() { Close(); }

obex::TransportResult DeviceTransport::Send(std::span<const std::uint8_t> data) {
    if (const auto status = inbox_->SendStatus(); status != obex::TransportStatus::Ok) return {status, 0};
    // Our side's sink takes the bytes on this thread; it waits for room while our server reads.
    link_->Deliver(data.data(), data.size());
    return {obex::TransportStatus::Ok, data.size()};
}

obex::TransportResult DeviceTransport::Receive(std::span<std::uint8_t> buffer) {
    return inbox_->Take(buffer, deadline());
}

void DeviceTransport::Close() {
    inbox_->End();
    std::call_once(hungUp_, [this] { link_->Hangup(); });
}

}  // namespace sim
