#include "platform/obex/obex_packet.h"

namespace obex {
namespace {

constexpr std::size_t kConnectFieldsSize = 4;
constexpr std::size_t kSetPathFieldsSize = 2;

std::uint8_t CodeByte(std::uint8_t code, bool final) { return static_cast<std::uint8_t>(code | (final ? kFinalBit : 0)); }

void PutConnectFields(const ConnectFields& fields, Bytes* out) {
    out->push_back(fields.version);
    out->push_back(fields.flags);
    out->push_back(static_cast<std::uint8_t>(fields.maxPacketLength >> 8));
    out->push_back(static_cast<std::uint8_t>(fields.maxPacketLength));
}

ConnectFields ReadConnectFields(const std::uint8_t* p) {
    return {p[0], p[1], static_cast<std::uint16_t>(p[2] << 8 | p[3])};
}

// Writes code, length, the fixed fields (by `fields`) and the headers into `out`, whose
// storage is reused: a session sends packet after packet through one buffer.
template <typename WriteFields>
CodecError EncodePacket(std::uint8_t codeByte, std::size_t size, const std::vector<Header>& headers,
                        WriteFields fields, Bytes* out) {
    if (size > kMaxPacketLength) return CodecError::PacketTooLarge;
    if (CodecError error = CheckHeaders(headers); error != CodecError::None) return error;
    out->clear();
    out->reserve(size);
    out->push_back(codeByte);
    out->push_back(static_cast<std::uint8_t>(size >> 8));
    out->push_back(static_cast<std::uint8_t>(size));
    fields(out);
    EncodeHeaders(headers, out);
    return CodecError::None;
}

CodecError CheckLength(std::span<const std::uint8_t> packet) {
    if (packet.size() < kPacketPrefixSize) return CodecError::PacketTruncated;
    if (PacketLengthField(packet.data()) != packet.size()) return CodecError::LengthMismatch;
    return CodecError::None;
}

}  // namespace

std::size_t RequestPrefixSize(Opcode opcode) {
    if (opcode == Opcode::Connect) return kPacketPrefixSize + kConnectFieldsSize;
    if (opcode == Opcode::SetPath) return kPacketPrefixSize + kSetPathFieldsSize;
    return kPacketPrefixSize;
}

std::size_t ResponsePrefixSize(bool toConnect) { return kPacketPrefixSize + (toConnect ? kConnectFieldsSize : 0); }

std::size_t EncodedSize(const Request& request) { return RequestPrefixSize(request.opcode) + EncodedSize(request.headers); }

std::size_t EncodedSize(const Response& response) {
    return ResponsePrefixSize(response.connect.has_value()) + EncodedSize(response.headers);
}

CodecError EncodeRequest(const Request& request, Bytes* out) {
    return EncodePacket(CodeByte(static_cast<std::uint8_t>(request.opcode), request.final), EncodedSize(request),
                        request.headers,
                        [&](Bytes* packet) {
                            if (request.opcode == Opcode::Connect) PutConnectFields(request.connect, packet);
                            if (request.opcode == Opcode::SetPath) {
                                packet->push_back(request.setPathFlags);
                                packet->push_back(request.setPathConstants);
                            }
                        },
                        out);
}

CodecError EncodeResponse(const Response& response, Bytes* out) {
    return EncodePacket(CodeByte(static_cast<std::uint8_t>(response.code), response.final), EncodedSize(response),
                        response.headers,
                        [&](Bytes* packet) {
                            if (response.connect) PutConnectFields(*response.connect, packet);
                        },
                        out);
}

CodecError DecodeRequest(std::span<const std::uint8_t> packet, Request* out) {
    if (CodecError error = CheckLength(packet); error != CodecError::None) return error;
    Request request;
    request.opcode = static_cast<Opcode>(packet[0] & ~kFinalBit);
    request.final = (packet[0] & kFinalBit) != 0;
    const std::size_t prefix = RequestPrefixSize(request.opcode);
    if (packet.size() < prefix)
        return request.opcode == Opcode::Connect ? CodecError::ConnectTooShort : CodecError::SetPathTooShort;
    if (request.opcode == Opcode::Connect) request.connect = ReadConnectFields(&packet[kPacketPrefixSize]);
    if (request.opcode == Opcode::SetPath) {
        request.setPathFlags = packet[kPacketPrefixSize];
        request.setPathConstants = packet[kPacketPrefixSize + 1];
    }
    if (CodecError error = DecodeHeaders(packet.subspan(prefix), &request.headers); error != CodecError::None)
        return error;
    *out = std::move(request);
    return CodecError::None;
}

CodecError DecodeResponse(std::span<const std::uint8_t> packet, bool toConnect, Response* out) {
    if (CodecError error = CheckLength(packet); error != CodecError::None) return error;
    Response response;
    response.code = static_cast<ResponseCode>(packet[0] & ~kFinalBit);
    response.final = (packet[0] & kFinalBit) != 0;
    const std::size_t prefix = ResponsePrefixSize(toConnect);
    if (packet.size() < prefix) return CodecError::ConnectTooShort;
    if (toConnect) response.connect = ReadConnectFields(&packet[kPacketPrefixSize]);
    if (CodecError error = DecodeHeaders(packet.subspan(prefix), &response.headers); error != CodecError::None)
        return error;
    *out = std::move(response);
    return CodecError::None;
}

}  // namespace obex
