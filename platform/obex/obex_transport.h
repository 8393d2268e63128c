#pragma once
// The byte stream an OBEX session runs over: a connected socket, a simulated radio link, a
// TCP connection. Calls block; Interrupt releases them from another thread.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

enum class TransportStatus {
    Ok,
    Closed,       // the stream has ended (the peer went away, or Close was called)
    Interrupted,  // Interrupt is in force
    TimedOut,     // the deadline passed (see SetDeadline)
    Failed,       // any other error of the link
};

using Deadline = std::optional<std::chrono::steady_clock::time_point>;

struct TransportResult {
    TransportStatus status = TransportStatus::Ok;
    std::size_t count = 0;  // bytes moved, also when the call stopped early
};

class Transport {
public:
    virtual ~Transport() = default;
    // Sends all of `data` unless the call stops early (count then says how much went).
    virtual TransportResult Send(std::span<const std::uint8_t> data) = 0;
    // Waits until at least one byte is there and returns up to buffer.size() bytes.
    virtual TransportResult Receive(std::span<std::uint8_t> buffer) = 0;
    // As Receive into the first `most` bytes of `buffer` (it has that many at least). A transport
    // that holds what it received may swap its storage in rather than copy the bytes: the buffer
    // then starts with them, and its size may have changed.
    virtual TransportResult ReceiveFront(std::vector<std::uint8_t>* buffer, std::size_t most) {
        return Receive(std::span(buffer->data(), most));
    }
    // From any thread: every Send or Receive, waiting now or called later, returns Interrupted
    // (having moved nothing more) until ClearInterrupt.
    virtual void Interrupt() = 0;
    virtual void ClearInterrupt() = 0;
    // From any thread: ends the stream both ways; waiting calls return.
    virtual void Close() = 0;

    // Bounds the calls that follow, on the thread that makes them: a receive still waiting at
    // the deadline returns TimedOut, and so does a send where the transport can tell (none:
    // they wait for ever).
    void SetDeadline(Deadline deadline) { deadline_ = deadline; }

protected:
    Deadline deadline() const { return deadline_; }

private:
    Deadline deadline_;
};

}  // namespace obex

#pragma GCC visibility pop
