#include "platform/obex/serial_link_transport.h"

#include <algorithm>
#include <cstring>

#include "platform/obex/held_bytes.h"

namespace obex {

DWORD SerialLinkTransport::Open(bth::Backend& backend, BT_ADDR device, const sdp::Uuid& serviceClass,
                                std::uint8_t channel, std::unique_ptr<SerialLinkTransport>* transport) {
    return Accept(
        [&](bth::SerialSink* sink, std::unique_ptr<bth::SerialLink>* link) {
            return backend.ConnectSerial(device, serviceClass, channel, sink, link);
        },
        transport);
}

DWORD SerialLinkTransport::Accept(const bth::LinkOpener& open, std::unique_ptr<SerialLinkTransport>* transport) {
    std::unique_ptr<SerialLinkTransport> opened(new SerialLinkTransport);
    std::unique_ptr<bth::SerialLink> link;
    if (DWORD error = open(opened.get(), &link)) return error;
    if (!link) return ERROR_DEVICE_NOT_CONNECTED;
    // Each answer then reaches the session without crossing the backend's threads.
    opened->stream_ = SocketTransport::Create(link->TakeStream());
    opened->link_ = std::move(link);
    *transport = std::move(opened);
    return ERROR_SUCCESS;
}

SerialLinkTransport::~SerialLinkTransport() { Close(); }

TransportResult SerialLinkTransport::Send(std::span<const std::uint8_t> data) {
    if (stream_) {
        stream_->SetDeadline(deadline());
        return stream_->Send(data);
    }
    {
        std::lock_guard lock(mutex_);
        if (interrupted_) return {TransportStatus::Interrupted, 0};
        if (closed_ || broken_) return {TransportStatus::Closed, 0};
    }
    // Without the lock: a simulated remote end answers at once, into Received.
    std::lock_guard sending(linkMutex_);
    if (!link_) return {TransportStatus::Closed, 0};
    if (!data.empty() && link_->Send(data.data(), data.size()) != ERROR_SUCCESS) return {TransportStatus::Closed, 0};
    return {TransportStatus::Ok, data.size()};
}

TransportStatus SerialLinkTransport::WaitForBytes(std::unique_lock<std::mutex>& lock) {
    const auto ready = [this] { return interrupted_ || closed_ || broken_ || readAt_ < held_.size(); };
    if (const Deadline until = deadline()) {
        if (!changed_.wait_until(lock, *until, ready)) return TransportStatus::TimedOut;
    } else {
        changed_.wait(lock, ready);
    }
    if (interrupted_) return TransportStatus::Interrupted;
    if (closed_) return TransportStatus::Closed;
    if (readAt_ == held_.size()) return TransportStatus::Closed;  // broken, and all read
    return TransportStatus::Ok;
}

std::size_t SerialLinkTransport::CopyHeld(std::span<std::uint8_t> buffer) {
    const std::size_t count = TakeHeld(held_, readAt_, buffer);
    changed_.notify_all();  // room for a waiting sender
    return count;
}

TransportResult SerialLinkTransport::ReceiveFromStream(std::span<std::uint8_t> buffer) {
    {
        std::lock_guard lock(mutex_);
        if (interrupted_) return {TransportStatus::Interrupted, 0};
        if (closed_) return {TransportStatus::Closed, 0};
        if (readAt_ < held_.size()) return {TransportStatus::Ok, TakeHeld(held_, readAt_, buffer)};
    }
    stream_->SetDeadline(deadline());
    return stream_->Receive(buffer);
}

TransportResult SerialLinkTransport::Receive(std::span<std::uint8_t> buffer) {
    if (buffer.empty()) return {};
    if (stream_) return ReceiveFromStream(buffer);
    std::unique_lock lock(mutex_);
    if (TransportStatus status = WaitForBytes(lock); status != TransportStatus::Ok) return {status, 0};
    return {TransportStatus::Ok, CopyHeld(buffer)};
}

TransportResult SerialLinkTransport::ReceiveFront(std::vector<std::uint8_t>* buffer, std::size_t most) {
    if (most == 0) return {};
    if (stream_) return ReceiveFromStream(std::span(buffer->data(), most));
    std::unique_lock lock(mutex_);
    if (TransportStatus status = WaitForBytes(lock); status != TransportStatus::Ok) return {status, 0};
    if (readAt_ != 0 || held_.size() > most) return {TransportStatus::Ok, CopyHeld(std::span(buffer->data(), most))};
    const std::size_t count = held_.size();
    buffer->swap(held_);
    held_.clear();  // keeps the buffer's storage to fill again
    changed_.notify_all();
    return {TransportStatus::Ok, count};
}

void SerialLinkTransport::Received(const std::uint8_t* data, std::size_t size) {
    std::unique_lock lock(mutex_);
    while (size > 0) {
        changed_.wait(lock, [this] { return closed_ || held_.size() - readAt_ < kCapacity; });
        if (closed_) return;
        if (readAt_ > 0) {  // keep the buffer from growing past the capacity
            held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(readAt_));
            readAt_ = 0;
        }
        const std::size_t count = std::min(size, kCapacity - held_.size());
        held_.insert(held_.end(), data, data + count);
        data += count;
        size -= count;
        if (size > 0) changed_.notify_all();  // the reader makes room for the rest
    }
    // Told once the lock is free, so that the reader does not wake only to wait for it: each
    // answer of a peer passes here.
    lock.unlock();
    changed_.notify_all();
}

void SerialLinkTransport::Broken() {
    std::lock_guard lock(mutex_);
    broken_ = true;
    changed_.notify_all();
}

void SerialLinkTransport::Interrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
        changed_.notify_all();
    }
    if (stream_) stream_->Interrupt();
}

void SerialLinkTransport::ClearInterrupt() {
    {
        std::lock_guard lock(mutex_);
        interrupted_ = false;
    }
    if (stream_) stream_->ClearInterrupt();
}

void SerialLinkTransport::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_all();  // a backend thread waiting for room goes on (and drops its bytes)
    }
    if (stream_) stream_->Close();
    // The link goes now, so that the remote end hears the hang-up at once, not when this
    // transport is destroyed; a Send in progress ends first. No sink call after this.
    std::unique_ptr<bth::SerialLink> link;
    {
        std::lock_guard sending(linkMutex_);
        link = std::move(link_);
    }
}

}  // namespace obex
