#pragma once
// An OBEX server on a loopback TCP port that answers as a test tells it to: each request goes
// to the script, which returns the packets to send back (none: it stays silent). It serves one
// connection at a time, as many as come, and keeps every request it read. A cut, when given,
// may end a connection as a peer that crashes does: part of an answer, then a reset.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "platform/kernel/unique_fd.h"
#include "platform/obex/obex_packet.h"

namespace testsupport {

class ScriptedObexServer {
public:
    using Script = std::function<std::vector<obex::Response>(const obex::Request&)>;
    // How many bytes of its answers a request gets before the connection is reset (none: all).
    using Cut = std::function<std::optional<std::size_t>(const obex::Request&)>;

    explicit ScriptedObexServer(Script script, Cut cut = {});
    ~ScriptedObexServer();
    ScriptedObexServer(const ScriptedObexServer&) = delete;
    ScriptedObexServer& operator=(const ScriptedObexServer&) = delete;

    std::uint16_t port() const { return port_; }
    // "127.0.0.1:PORT", as a world's obex_tcp names it.
    std::string address() const;
    // What came in so far, in order.
    std::vector<obex::Request> Requests() const;
    // Waits until the client has closed its connection (every connection so far).
    bool WaitForHangUp(std::chrono::milliseconds bound) const;

    // The answers a well-behaved File Transfer server gives to CONNECT and DISCONNECT.
    static obex::Response Connected();
    static obex::Response Answer(obex::ResponseCode code, std::vector<obex::Header> headers = {});

private:
    void Serve();
    void Converse(platform::UniqueFd connection);

    const Script script_;
    const Cut cut_;
    platform::UniqueFd listener_;
    platform::UniqueFd stop_;  // an eventfd: readable once the server is to stop
    std::uint16_t port_ = 0;
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    std::vector<obex::Request> requests_;
    bool talking_ = false;  // a connection is open
    std::thread thread_;    // last: starts once everything it uses exists
};

}  // namespace testsupport
