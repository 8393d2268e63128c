#include "platform/bluetooth/bt_serial_connection.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace bth {

DWORD SerialConnection::Start(const Connect& connect) {
    if (stopping_.get() < 0) return ERROR_NOT_ENOUGH_MEMORY;
    if (DWORD error = connect(this, &link_)) return error;
    if (!link_) return ERROR_GEN_FAILURE;
    channel_ = link_->Channel();
    pump_ = std::thread([this] { Pump(); });
    return ERROR_SUCCESS;
}

void SerialConnection::Stop() {
    std::lock_guard lock(stopMutex_);
    stopping_.Set();
    if (pump_.joinable()) pump_.join();
    link_.reset();  // the backend calls this sink no more
}

void SerialConnection::Received(const std::uint8_t* data, std::size_t size) {
    platform::WriteAll(master_, data, size, stopping_.get());  // dropped only once stopping
}

void SerialConnection::Pump() {
    std::uint8_t buffer[4096];
    pollfd waits[2] = {{master_, POLLIN, 0}, {stopping_.get(), POLLIN, 0}};
    for (;;) {
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (waits[1].revents) return;
        if (waits[0].revents & POLLIN) {
            const ssize_t count = ::read(master_, buffer, sizeof buffer);
            if (count > 0) {
                // Refused while the link is broken, or no remote device is connected to a
                // server: as on a line with no one at the far end, the bytes are gone.
                link_->Send(buffer, static_cast<std::size_t>(count));
            } else if (count < 0 && errno != EAGAIN && errno != EINTR) {
                return;
            }
        } else if (waits[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            return;  // cannot happen while the port holds its slave open; never spin on it
        }
    }
}

}  // namespace bth
