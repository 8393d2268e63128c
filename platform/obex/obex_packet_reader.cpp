#include "platform/obex/obex_packet_reader.h"

#include <algorithm>

#include "platform/obex/obex_packet.h"

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
    if (handedOut_ > 0) {  // what came after it stays
        std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(handedOut_),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(have_), buffer_.begin());
        have_ -= handedOut_;
        handedOut_ = 0;
    }
    for (;;) {
        std::size_t want = kPacketPrefixSize;
        if (have_ >= kPacketPrefixSize) {
            want = PacketLengthField(buffer_.data());
            if (want < kPacketPrefixSize) return ReadStatus::LengthInvalid;
            if (want > max_) return ReadStatus::TooLarge;
            if (have_ >= want) {
                handedOut_ = want;
                *packet = std::span(buffer_.data(), want);
                return ReadStatus::Ok;
            }
        }
        // Room for a packet of the largest size. A new packet takes what the transport has at
        // hand (bytes of the next one may come along); the rest of a packet, only that.
        if (buffer_.size() < max_) buffer_.resize(max_);
        const TransportResult got = have_ == 0 ? transport.ReceiveFront(&buffer_, max_)
                                               : transport.Receive(std::span(buffer_.data() + have_, want - have_));
        have_ += got.count;
        if (got.status != TransportStatus::Ok) return FromTransport(got.status);
        if (got.count == 0) return ReadStatus::Closed;
    }
}

}  // namespace obex
