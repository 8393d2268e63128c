#include "platform/obex/obex_packet_framer.h"

#include <algorithm>

#include "platform/obex/obex_packet.h"

namespace obex {

PacketFramer::Event PacketFramer::Feed(std::span<const std::uint8_t> data, std::size_t* taken) {
    *taken = 0;
    whole_ = {};
    if (length_ != 0 && gathered_.size() == length_) Clear();  // the packet handed out last time
    if (skipping_ > 0) {
        *taken = std::min(skipping_, data.size());
        skipping_ -= *taken;
        return skipping_ == 0 ? Event::TooLarge : Event::None;
    }
    if (gathered_.empty() && data.size() >= kPacketPrefixSize) {
        const std::size_t length = PacketLengthField(data.data());
        if (length >= kPacketPrefixSize && length <= max_ && length <= data.size()) {
            whole_ = data.first(length);
            *taken = length;
            return Event::Packet;
        }
    }
    while (*taken < data.size()) {
        const std::size_t want = gathered_.size() < kPacketPrefixSize ? kPacketPrefixSize : length_;
        const std::size_t count = std::min(want - gathered_.size(), data.size() - *taken);
        gathered_.insert(gathered_.end(), data.begin() + static_cast<std::ptrdiff_t>(*taken),
                         data.begin() + static_cast<std::ptrdiff_t>(*taken + count));
        *taken += count;
        if (gathered_.size() == kPacketPrefixSize && length_ == 0) {
            length_ = PacketLengthField(gathered_.data());
            if (length_ < kPacketPrefixSize) return Event::Lost;
            if (length_ > max_) {
                if (oversized_ == Oversized::Stop) return Event::TooLarge;
                skipping_ = length_ - kPacketPrefixSize;  // the rest goes by in the next calls
                Clear();
                return Event::None;
            }
        }
        if (length_ != 0 && gathered_.size() == length_) return Event::Packet;
    }
    return Event::None;
}

void PacketFramer::Clear() {
    gathered_.clear();
    whole_ = {};
    length_ = 0;
}

}  // namespace obex
