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
        buffer_.clear();
        complete_ = false;
    }
    for (;;) {
        std::size_t want = kPacketPrefixSize;
        if (buffer_.size() >= kPacketPrefixSize) {
            want = PacketLengthField(buffer_.data());
            if (want < kPacketPrefixSize) return ReadStatus::LengthInvalid;
            if (want > max_) return ReadStatus::TooLarge;
        }
        if (buffer_.size() >= kPacketPrefixSize && buffer_.size() == want) {
            complete_ = true;
            *packet = buffer_;
            return ReadStatus::Ok;
        }
        const std::size_t have = buffer_.size();
        buffer_.resize(want);
        const TransportResult got = transport.Receive(std::span(buffer_).subspan(have));
        buffer_.resize(have + std::min(got.count, want - have));
        if (got.status != TransportStatus::Ok) return FromTransport(got.status);
        if (got.count == 0) return ReadStatus::Closed;
    }
}

}  // namespace obex
