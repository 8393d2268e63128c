#pragma once
// A loopback TCP port our OBEX servers also answer on, for OBEX peers without Bluetooth. Each
// connection is handed over on the listener's own thread.
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/kernel/unique_fd.h"

namespace obex {

class TcpListener {
public:
    // The connected socket and the peer's "address:port".
    using Accepted = std::function<void(platform::UniqueFd socket, const std::string& peer)>;

    // Listens on `address` ("127.0.0.1:650", "[::1]:650", port 0: any free one); null with
    // `error` set when it is not a loopback address or cannot be listened on.
    static std::unique_ptr<TcpListener> Listen(const std::string& address, Accepted accepted, std::string* error);
    // Stops listening; `accepted` is not called after this returns.
    ~TcpListener();

    // "127.0.0.1:650", with the port actually taken.
    const std::string& address() const { return address_; }

private:
    TcpListener(platform::UniqueFd socket, platform::UniqueFd wake, std::string address, Accepted accepted);
    void Run();

    platform::UniqueFd socket_;
    platform::UniqueFd wake_;  // an eventfd: readable once the listener is to stop
    const std::string address_;
    const Accepted accepted_;
    std::thread thread_;
};

}  // namespace obex
