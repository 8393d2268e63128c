#pragma once
// Cuts a byte stream into OBEX packets, as bytes come: the three-byte prefix gives the length,
// then the rest follows. A packet that came whole in one piece is handed out where it lies;
// one that came in pieces is gathered. Both ends of a session frame with it: the client through
// PacketReader, a server as bytes reach it.
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/obex/obex_header.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

class PacketFramer {
public:
    enum class Event {
        None,      // no packet yet; bytes not taken go in the next call
        Packet,    // a whole packet: packet() until Clear or the next Feed
        TooLarge,  // a length field above the maximum (when skipping, once the packet went by)
        Lost,      // a length field below 3: the stream has lost its framing for good
    };
    enum class Oversized {
        Stop,  // TooLarge as soon as the length is read: the stream can go no further
        Skip,  // its bytes are passed over, then TooLarge: the next packet is read as usual
    };

    explicit PacketFramer(std::size_t maxLength, Oversized oversized = Oversized::Stop)
        : max_(maxLength), oversized_(oversized) {}

    // Takes bytes from `data` up to the end of one event; `taken` says how many. After Lost, or
    // TooLarge when stopping, the stream is to be dropped.
    Event Feed(std::span<const std::uint8_t> data, std::size_t* taken);
    std::span<const std::uint8_t> packet() const { return whole_.empty() ? std::span(gathered_) : whole_; }
    // Forgets the packet handed out, or one begun.
    void Clear();

private:
    const std::size_t max_;
    const Oversized oversized_;
    Bytes gathered_;                      // a packet that comes in pieces
    std::span<const std::uint8_t> whole_;  // or one that came whole, in the caller's bytes
    std::size_t length_ = 0;              // of the packet being gathered, once its prefix is in
    std::size_t skipping_ = 0;            // bytes of an oversized packet still to pass over
};

}  // namespace obex

#pragma GCC visibility pop
