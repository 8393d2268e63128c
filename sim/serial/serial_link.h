#pragma once
// One simulated RFCOMM link: our side's sink, and the remote endpoint while a remote device is
// at the other end. The caller holds it through a SimSerialLink; the radio keeps a weak
// reference to break it when the world is replaced.
#include <functional>
#include <memory>
#include <mutex>

#include "platform/bluetooth/bt_backend.h"
#include "sim/serial/endpoint.h"

namespace sim {

class LinkCore {
public:
    LinkCore(bth::SerialSink* sink, std::uint8_t channel) : sink_(sink), channel_(channel) {}

    // A remote end answers from now on (replacing one that was there); `gone` runs once it
    // leaves. False, and nothing attached, once the link has ended.
    bool Attach(std::unique_ptr<SerialEndpoint> endpoint, std::function<void()> gone);
    // To the remote end: ERROR_DEVICE_NOT_CONNECTED while there is none.
    DWORD Send(const std::uint8_t* data, std::size_t size);
    // From the remote end to our sink.
    void Deliver(const std::uint8_t* data, std::size_t size);
    // The link broke (its world went): the sink hears Broken, once.
    void Break() { End(true); }
    // Our side closed it: the sink is not called after this returns.
    void Close() { End(false); }

    std::uint8_t channel() const { return channel_; }

private:
    // Takes the remote end away (its talker joined, its `gone` run) and stops deliveries.
    void End(bool broken);

    // Held while the remote end answers a Send, so answers keep the order of what was sent.
    std::mutex sendMutex_;
    std::unique_ptr<SerialEndpoint> endpoint_;  // under sendMutex_
    std::function<void()> gone_;                // under sendMutex_
    bool ended_ = false;                        // under sendMutex_

    std::mutex deliverMutex_;  // one sink call at a time; taken after sendMutex_, never before
    bth::SerialSink* sink_;    // under deliverMutex_; null once ended

    const std::uint8_t channel_;
};

// The link object handed to the radio's caller; destroying it closes the link.
class SimSerialLink final : public bth::SerialLink {
public:
    explicit SimSerialLink(std::shared_ptr<LinkCore> core) : core_(std::move(core)) {}
    ~SimSerialLink() override { core_->Close(); }
    DWORD Send(const std::uint8_t* data, std::size_t size) override { return core_->Send(data, size); }
    std::uint8_t Channel() const override { return core_->channel(); }

private:
    const std::shared_ptr<LinkCore> core_;
};

}  // namespace sim
