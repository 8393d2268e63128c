// OBEX bytes as a peer sends them. The first byte says in how large pieces the rest arrives;
// the rest is cut into packets as both ends of a session cut it, and each packet is decoded
// as a request and as a response (to a CONNECT and to anything else). What decodes must
// encode, within the size it came in, and decode back to itself.
#include <vector>

#include "fuzz_support.h"
#include "platform/obex/obex_packet.h"
#include "platform/obex/obex_packet_framer.h"

namespace {

using namespace obex;

template <typename Packet, typename Decode, typename Encode>
void CheckPacket(std::span<const std::uint8_t> bytes, Decode decode, Encode encode) {
    Packet packet;
    if (decode(bytes, &packet) != CodecError::None) return;
    Bytes encoded;
    FUZZ_CHECK(encode(packet, &encoded) == CodecError::None);
    FUZZ_CHECK(encoded.size() == EncodedSize(packet) && encoded.size() <= bytes.size());
    Packet again;
    FUZZ_CHECK(decode(encoded, &again) == CodecError::None);
    FUZZ_CHECK(again == packet);
}

void CheckAllReadings(std::span<const std::uint8_t> packet) {
    CheckPacket<Request>(packet, DecodeRequest, EncodeRequest);
    for (const bool toConnect : {false, true}) {
        CheckPacket<Response>(
            packet, [toConnect](std::span<const std::uint8_t> bytes, Response* out) { return DecodeResponse(bytes, toConnect, out); },
            EncodeResponse);
    }
}

// The packets of the stream, and how it ended: fed `piece` bytes at a time.
struct Framed {
    std::vector<Bytes> packets;
    int tooLarge = 0;
    bool lost = false;
    friend bool operator==(const Framed&, const Framed&) = default;
};

Framed Frame(std::span<const std::uint8_t> stream, std::size_t piece, PacketFramer::Oversized oversized) {
    PacketFramer framer(kMinPacketLength + 1024, oversized);
    Framed framed;
    for (std::size_t at = 0; at < stream.size() && !framed.lost;) {
        std::span<const std::uint8_t> chunk = stream.subspan(at, std::min(piece, stream.size() - at));
        at += chunk.size();
        while (!chunk.empty()) {
            std::size_t taken = 0;
            const PacketFramer::Event event = framer.Feed(chunk, &taken);
            FUZZ_CHECK(taken > 0 && taken <= chunk.size());  // else its callers would spin
            chunk = chunk.subspan(taken);
            if (event == PacketFramer::Event::Packet) {
                const std::span<const std::uint8_t> packet = framer.packet();
                FUZZ_CHECK(packet.size() >= kPacketPrefixSize && PacketLengthField(packet.data()) == packet.size());
                framed.packets.emplace_back(packet.begin(), packet.end());
                // The next Feed forgets the packet as Clear does: half the time, leave it to that.
                if (framed.packets.size() % 2 == 0) framer.Clear();
            } else if (event == PacketFramer::Event::TooLarge) {
                ++framed.tooLarge;
                if (oversized == PacketFramer::Oversized::Stop) return framed;
            } else if (event == PacketFramer::Event::Lost) {
                framed.lost = true;
                break;
            }
        }
    }
    return framed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > fuzzsupport::kMaxInput) return 0;
    const std::size_t piece = 1 + data[0];
    const std::span<const std::uint8_t> stream(data + 1, size - 1);

    for (const auto oversized : {PacketFramer::Oversized::Stop, PacketFramer::Oversized::Skip}) {
        const Framed framed = Frame(stream, piece, oversized);
        // How the bytes come does not change the packets they make.
        FUZZ_CHECK(Frame(stream, stream.size() + 1, oversized) == framed);
        if (oversized == PacketFramer::Oversized::Skip)
            for (const Bytes& packet : framed.packets) CheckAllReadings(packet);
    }
    CheckAllReadings(stream);

    // The stream as a run of headers on its own.
    std::vector<Header> headers;
    if (DecodeHeaders(stream, &headers) == CodecError::None) {
        Bytes encoded;
        FUZZ_CHECK(EncodeHeaders(headers, &encoded) == CodecError::None);
        FUZZ_CHECK(encoded.size() == EncodedSize(headers) && encoded.size() <= stream.size());
        std::vector<Header> again;
        FUZZ_CHECK(DecodeHeaders(encoded, &again) == CodecError::None && again == headers);
    }
    return 0;
}
