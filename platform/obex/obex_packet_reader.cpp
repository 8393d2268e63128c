#include "platform/obex/obex_packet_reader.h"

namespace obex {
namespace {

ReadStatus FromTransport(TransportStatus status) {
    switch (status) {
        case TransportStatus::Ok: return ReadStatus::Ok;
        case TransportStatus::Closed: return ReadStatus::Closed;
        case TransportStatus::Interrupted: return ReadStatus::Interrupted;
        case TransportStatus::TimedOut: return ReadStatus::TimedOut;
        case TransportStatus::Failed: break;
    }
    return ReadStatus::Failed;
}

}  // namespace

ReadStatus PacketReader::Next(Transport& transport, std::span<const std::uint8_t>* packet) {
    if (handedOut_) framer_.Clear();  // a packet begun stays (an interrupted read goes on)
    handedOut_ = false;
    for (;;) {
        if (at_ < have_) {
            std::size_t taken = 0;
            const PacketFramer::Event event = framer_.Feed(std::span(buffer_.data() + at_, have_ - at_), &taken);
            at_ += taken;
            if (event == PacketFramer::Event::Packet) {
                *packet = framer_.packet();
                handedOut_ = true;
                return ReadStatus::Ok;
            }
            if (event == PacketFramer::Event::Lost) return ReadStatus::LengthInvalid;
            if (event == PacketFramer::Event::TooLarge) return ReadStatus::TooLarge;
            continue;
        }
        // Everything read was framed: room for a packet of the largest size from the start.
        // (The packet handed out last may lie there; it is no longer the caller's.)
        at_ = have_ = 0;
        if (buffer_.size() < max_) buffer_.resize(max_);
        const TransportResult got = transport.ReceiveFront(&buffer_, max_);
        have_ = got.count;
        if (got.status != TransportStatus::Ok) return FromTransport(got.status);
        if (got.count == 0) return ReadStatus::Closed;
    }
}

void PacketReader::Reset() {
    framer_.Clear();
    handedOut_ = false;
    at_ = have_ = 0;
}

}  // namespace obex
