#pragma once
// One simulated RFCOMM link: our side's sink, and the remote endpoint while a remote device is
// at the other end. The caller holds it through a SimSerialLink; the radio keeps a weak
// reference to break it when the world is replaced.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/bluetooth/bt_backend.h"
#include "sim/serial/endpoint.h"

namespace sim {

class LinkCore {
public:
    // `device`: the remote device of a client's link; none for our server's link, which
    // remote devices connect to and leave.
    LinkCore(bth::SerialSink* sink, std::uint8_t channel, std::optional<BT_ADDR> device)
        : remote_(device.value_or(0)), sink_(sink), channel_(channel), listening_(!device) {}

    // Device `remote` answers from now on (replacing one that was there); `gone` runs once it
    // leaves. False, and nothing attached, once the link has ended.
    bool Attach(BT_ADDR remote, std::unique_ptr<SerialEndpoint> endpoint, std::function<void()> gone);
    // Device `remote` went out of range: a client's link to it breaks, a server it was
    // connected to has no remote end any more (and keeps listening). Other links are untouched.
    void Lose(BT_ADDR remote);
    // As Lose for whichever device is at the other end (our adapter was switched off).
    void LoseRemote();
    // To the remote end: ERROR_DEVICE_NOT_CONNECTED while there is none.
    DWORD Send(const std::uint8_t* data, std::size_t size);
    // From the remote end to our sink.
    void Deliver(const std::uint8_t* data, std::size_t size);
    // The link broke (its world went): the sink hears Broken, once.
    void Break() { End(true); }
    // Our side closed it: the sink is not called after this returns.
    void Close() { End(false); }
    // The remote end hung up (it may call this from inside its Receive or from its own
    // thread): the sink hears Broken, once, and Send fails from now on. The endpoint stays
    // until the link is closed, so it is never destroyed by its own thread.
    void Hangup();
    // The remote end's socket, where it relays one and the link still stands.
    platform::UniqueFd TakeStream();

    std::uint8_t channel() const { return channel_; }

private:
    // Takes the remote end away (its talker joined, its `gone` run) and stops deliveries.
    void End(bool broken);

    // Held while the remote end answers a Send, so answers keep the order of what was sent.
    std::mutex sendMutex_;
    std::unique_ptr<SerialEndpoint> endpoint_;  // under sendMutex_
    std::function<void()> gone_;                // under sendMutex_
    BT_ADDR remote_;                            // under sendMutex_; the device at the other end
    bool ended_ = false;                        // under sendMutex_
    std::atomic<bool> hungUp_{false};

    std::mutex deliverMutex_;  // one sink call at a time; taken after sendMutex_, never before
    bth::SerialSink* sink_;    // under deliverMutex_; null once ended

    const std::uint8_t channel_;
    const bool listening_;
};

// The link object handed to the radio's caller; destroying it closes the link.
class SimSerialLink final : public bth::SerialLink {
public:
    explicit SimSerialLink(std::shared_ptr<LinkCore> core) : core_(std::move(core)) {}
    ~SimSerialLink() override { core_->Close(); }
    DWORD Send(const std::uint8_t* data, std::size_t size) override { return core_->Send(data, size); }
    std::uint8_t Channel() const override { return core_->channel(); }
    platform::UniqueFd TakeStream() override { return core_->TakeStream(); }

private:
    const std::shared_ptr<LinkCore> core_;
};

}  // namespace sim
