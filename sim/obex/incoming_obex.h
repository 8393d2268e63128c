#pragma once
// One of our OBEX servers as the simulated radio holds it: the listener the server gave, and
// the guard that lets its Listening go only once no connection is being handed to it.
#include <mutex>

#include "platform/bluetooth/bt_backend.h"

namespace sim {

class ObexListenerSlot {
public:
    explicit ObexListenerSlot(bth::IncomingLinks* listener) : listener_(listener) {}
    // Hands a remote device's connection to the listener, one at a time; false once the
    // listener has gone.
    bool Offer(BT_ADDR device, const bth::LinkOpener& open);
    // No Offer reaches the listener after this returns: one in progress is waited for (so it
    // must not be called from the listener's Connected).
    void Close();

private:
    std::mutex mutex_;  // held while the listener is called
    bth::IncomingLinks* listener_;  // under mutex_; null once closed
};

// What ListenObex hands out: the server listens until this is destroyed.
class SimObexListening final : public bth::Listening {
public:
    SimObexListening(std::shared_ptr<ObexListenerSlot> slot, std::uint8_t channel)
        : slot_(std::move(slot)), channel_(channel) {}
    ~SimObexListening() override { slot_->Close(); }
    std::uint8_t Channel() const override { return channel_; }

private:
    const std::shared_ptr<ObexListenerSlot> slot_;
    const std::uint8_t channel_;
};

}  // namespace sim
