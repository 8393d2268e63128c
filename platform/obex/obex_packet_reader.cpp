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
        case TransportStatus::Failed: break;
    }
    return ReadStatus::Failed;
}

}  // namespace

ReadStatus PacketReader::Next(Transport& transport, std::span<const std::uint8_t>* packet) {
    if (complete_) {
        have_ = 0;
        complete_ = false;
    }
    for (;;) {
        std::size_t want = kPacketPrefixSize;
        if (have_ >= kPacketPrefixSize) {
            want = PacketLengthField(buffer_.data());
            if (want < kPacketPrefixSize) return ReadStatus::LengthInvalid;
            if (want > max_) return ReadStatus::TooLarge;
        }
        if (have_ >= kPacketPrefixSize && have_ == want) {
            complete_ = true;
            *packet = std::span(buffer_.data(), want);
            return ReadStatus::Ok;
        }
        // The buffer only grows: it is filled again for every packet, never cleared.
        if (buffer_.size() < want) buffer_.resize(want);
        const TransportResult got = transport.Receive(std::span(buffer_.data() + have_, want - have_));
        have_ += std::min(got.count, want - have_);
        if (got.status != TransportStatus::Ok) return FromTransport(got.status);
        if (got.count == 0) return ReadStatus::Closed;
    }
}

}  // namespace obex
