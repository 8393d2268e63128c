#pragma once
// A serial link over the RFCOMM socket bluetoothd handed us: a reader thread delivers what
// arrives to the sink; a read of nothing (the peer hung up) or an error breaks the link.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>

#include "platform/bluetooth/bt_backend.h"

namespace bluez {

class SocketLink final : public bth::SerialLink {
public:
    // Takes `fd` over. A server's link (`reportHangUp` false) does not tell the sink when the
    // peer hangs up: the server listens on, and the next peer gets a link of its own.
    SocketLink(int fd, std::uint8_t channel, bth::SerialSink* sink, bool reportHangUp = true);
    ~SocketLink() override;

    DWORD Send(const std::uint8_t* data, std::size_t size) override;
    std::uint8_t Channel() const override { return channel_; }
    // The reader stops; the socket stays ours, and HangUp or the destructor still end it.
    platform::UniqueFd TakeStream() override;
    // The peer is gone (bluetoothd asked us to let go, say): the link breaks.
    void HangUp();
    // Whether the peer hung up (or the socket failed).
    bool broken() const { return broken_; }

private:
    void Read();
    // Ends the reader's wait and joins it (once).
    void StopReader();

    const int fd_;
    const std::uint8_t channel_;
    bth::SerialSink* const sink_;
    const bool reportHangUp_;
    int wake_[2] = {-1, -1};  // a pipe that ends the reader's wait
    std::atomic<bool> broken_{false};
    std::mutex sendMutex_;
    std::thread reader_;
};

}  // namespace bluez
