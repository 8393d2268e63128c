#pragma once
// An OBEX transport over a Bluetooth serial link of the installed backend. Where the link hands
// its socket over, the session reads and writes that directly, on its own thread. Otherwise the
// backend pushes what the remote end sends (on a thread of its own, or on the sender's thread
// while the remote end answers) and the session reads it with blocking calls; at most a few
// packets are held, and a sender that outruns the reader waits for room.
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/bluetooth/bt_backend.h"
#include "platform/obex/obex_codes.h"
#include "platform/obex/obex_transport.h"
#include "platform/obex/socket_transport.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

class SerialLinkTransport final : public Transport, private bth::SerialSink {
public:
    // Connects to `device`'s service of `serviceClass` on `channel`: 0, or the backend's error.
    static DWORD Open(bth::Backend& backend, BT_ADDR device, const sdp::Uuid& serviceClass, std::uint8_t channel,
                      std::unique_ptr<SerialLinkTransport>* transport);
    // Takes a connection that came in to a server of ours: 0, or the backend's error.
    static DWORD Accept(const bth::LinkOpener& open, std::unique_ptr<SerialLinkTransport>* transport);
    // As Close.
    ~SerialLinkTransport() override;

    TransportResult Send(std::span<const std::uint8_t> data) override;
    TransportResult Receive(std::span<std::uint8_t> buffer) override;
    // Hands all that is held over, storage and all, when `most` takes it whole.
    TransportResult ReceiveFront(std::vector<std::uint8_t>* buffer, std::size_t most) override;
    void Interrupt() override;
    void ClearInterrupt() override;
    // Also closes the link: the backend calls nothing here afterwards.
    void Close() override;

    // What is held for the reader at most.
    static constexpr std::size_t kCapacity = 4 * static_cast<std::size_t>(kMaxPacketLength);

private:
    SerialLinkTransport() = default;
    void Received(const std::uint8_t* data, std::size_t size) override;
    void Broken() override;
    // With the lock: waits for bytes to read; Ok once there are some.
    TransportStatus WaitForBytes(std::unique_lock<std::mutex>& lock);
    // With the lock: moves what is held into `buffer`, as much as fits; gives the count.
    std::size_t CopyHeld(std::span<std::uint8_t> buffer);
    // On the link's own socket: what the link delivered before it was taken, then the socket.
    TransportResult ReceiveFromStream(std::span<std::uint8_t> buffer);

    std::mutex linkMutex_;  // held while the link sends, and to take it away
    std::unique_ptr<bth::SerialLink> link_;  // under linkMutex_; set by Open, gone once closed
    // The link's socket, when it handed it over; set by Accept, before any other call.
    std::unique_ptr<SocketTransport> stream_;

    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::uint8_t> held_;  // under mutex_: received, not yet read
    std::size_t readAt_ = 0;          // under mutex_: first unread byte of held_
    bool broken_ = false;             // under mutex_
    bool closed_ = false;             // under mutex_
    bool interrupted_ = false;        // under mutex_
};

}  // namespace obex

#pragma GCC visibility pop
