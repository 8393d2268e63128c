#pragma once
// Our serial-port server's link: a server profile registered with bluetoothd on a channel of
// its own. Each remote device that connects is handed over as a socket in NewConnection and
// served until it hangs up; then the server listens again. One remote device at a time.
#include <functional>
#include <memory>
#include <mutex>

#include "bluez/profile/socket_link.h"

namespace bluez {

class ServerLink final : public bth::SerialLink {
public:
    // `closed` runs first in the destructor: it takes the profile back from bluetoothd.
    ServerLink(std::uint8_t channel, bth::SerialSink* sink, std::function<void()> closed);
    ~ServerLink() override;

    // A remote device connected: false (the socket is not taken) while another is served.
    bool Attach(int fd);
    // Breaks the connection of the device served now, if any.
    void HangUp();

    DWORD Send(const std::uint8_t* data, std::size_t size) override;
    std::uint8_t Channel() const override { return channel_; }

private:
    const std::uint8_t channel_;
    bth::SerialSink* const sink_;
    std::function<void()> closed_;
    std::mutex mutex_;
    // The device served now (or the one that just left). Shared so that a long send holds it
    // without holding the lock bluetoothd's next connection waits for.
    std::shared_ptr<SocketLink> current_;
};

}  // namespace bluez
