#pragma once
// Reads whole packets from a byte stream: the three-byte prefix gives the length, then the rest
// is read. It takes what the stream has at hand, so bytes of the next packet may come along and
// wait here. An interrupted read keeps what it has and goes on at the next call.
#include "platform/obex/obex_header.h"
#include "platform/obex/obex_packet_framer.h"
#include "platform/obex/obex_transport.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

enum class ReadStatus {
    Ok,
    Interrupted,    // the transport was interrupted; the next call resumes the same packet
    TimedOut,       // the transport's deadline passed; the next call resumes the same packet
    Closed,         // the stream ended (between packets or inside one)
    Failed,         // the transport failed
    LengthInvalid,  // a length field below 3
    TooLarge,       // a length field above the maximum this reader accepts
};

class PacketReader {
public:
    // `maxLength` is what this side offered (at most 65535).
    explicit PacketReader(std::size_t maxLength = kMaxPacketLength) : max_(maxLength), framer_(maxLength) {}

    // One whole packet into `packet` (valid until the next call). After LengthInvalid or
    // TooLarge the stream has lost its framing: the caller must drop it.
    ReadStatus Next(Transport& transport, std::span<const std::uint8_t>* packet);
    // Forgets a packet begun and what was read after it; for a transport that starts over.
    void Reset();

private:
    const std::size_t max_;
    PacketFramer framer_;
    Bytes buffer_;           // what the transport gave, not yet framed from `at_` on
    std::size_t at_ = 0;
    std::size_t have_ = 0;
    bool handedOut_ = false;  // the framer holds the packet the last call returned
};

}  // namespace obex

#pragma GCC visibility pop
