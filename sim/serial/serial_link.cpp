#include "sim/serial/serial_link.h"

#include <utility>

namespace sim {

bool LinkCore::Attach(BT_ADDR remote, std::unique_ptr<SerialEndpoint> endpoint, std::function<void()> gone) {
    std::unique_ptr<SerialEndpoint> previous;
    std::function<void()> previousGone;
    bool attached = false;
    {
        std::lock_guard lock(sendMutex_);
        if (!ended_) {
            attached = true;
            previous = std::exchange(endpoint_, std::move(endpoint));
            previousGone = std::exchange(gone_, std::move(gone));
            remote_ = remote;
        }
    }
    // Joined without the lock: a talker may be delivering.
    previous.reset();
    endpoint.reset();
    if (previousGone) previousGone();
    return attached;
}

void LinkCore::Lose(BT_ADDR remote) {
    std::unique_ptr<SerialEndpoint> endpoint;
    std::function<void()> gone;
    {
        std::lock_guard lock(sendMutex_);
        // A client's link breaks even before its endpoint is attached (Attach is then refused).
        if (remote_ != remote || (listening_ && !endpoint_)) return;
        if (listening_) {
            endpoint = std::move(endpoint_);
            gone = std::move(gone_);
        }
    }
    if (!listening_) {
        Break();
        return;
    }
    endpoint.reset();  // a talker is joined without the lock
    if (gone) gone();
}

void LinkCore::LoseRemote() {
    BT_ADDR remote = 0;
    {
        std::lock_guard lock(sendMutex_);
        remote = remote_;
    }
    Lose(remote);
}

DWORD LinkCore::Send(const std::uint8_t* data, std::size_t size) {
    std::lock_guard lock(sendMutex_);
    if (!endpoint_ || hungUp_) return ERROR_DEVICE_NOT_CONNECTED;
    endpoint_->Receive(data, size);
    return ERROR_SUCCESS;
}

void LinkCore::Deliver(const std::uint8_t* data, std::size_t size) {
    std::lock_guard lock(deliverMutex_);
    if (sink_) sink_->Received(data, size);
}

void LinkCore::Hangup() {
    hungUp_ = true;
    std::lock_guard lock(deliverMutex_);
    if (sink_) sink_->Broken();
    sink_ = nullptr;
}

platform::UniqueFd LinkCore::TakeStream() {
    std::lock_guard lock(sendMutex_);
    if (!endpoint_ || hungUp_ || ended_) return {};
    platform::UniqueFd stream = endpoint_->TakeStream();
    if (stream) {
        std::lock_guard delivering(deliverMutex_);
        sink_ = nullptr;  // the stream's reader hears the link end
    }
    return stream;
}

void LinkCore::End(bool broken) {
    std::unique_ptr<SerialEndpoint> endpoint;
    std::function<void()> gone;
    {
        std::lock_guard lock(sendMutex_);
        ended_ = true;
        endpoint = std::move(endpoint_);
        gone = std::move(gone_);
    }
    endpoint.reset();  // a talker is joined without the lock
    if (gone) gone();
    std::lock_guard lock(deliverMutex_);
    if (broken && sink_) sink_->Broken();
    sink_ = nullptr;
}

}  // namespace sim
