#pragma once
// Whole OBEX packets: requests (operation, final bit, the fixed fields of CONNECT and SETPATH,
// headers) and responses (code, final bit, the fixed fields of a CONNECT answer, headers).
// Pure functions over byte buffers, shared by the client session and the simulated servers.
#include <optional>

#include "platform/obex/obex_header.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

struct ConnectFields {
    std::uint8_t version = kVersion;
    std::uint8_t flags = 0;
    std::uint16_t maxPacketLength = kMaxPacketLength;
    friend bool operator==(const ConnectFields&, const ConnectFields&) = default;
};

struct Request {
    Opcode opcode = Opcode::Get;
    bool final = true;
    ConnectFields connect;              // CONNECT only
    std::uint8_t setPathFlags = 0;      // SETPATH only: kSetPathBackup, kSetPathNoCreate
    std::uint8_t setPathConstants = 0;  // SETPATH only
    std::vector<Header> headers;
    friend bool operator==(const Request&, const Request&) = default;
};

struct Response {
    ResponseCode code = ResponseCode::Success;
    bool final = true;
    std::optional<ConnectFields> connect;  // present in the answer to a CONNECT
    std::vector<Header> headers;
    friend bool operator==(const Response&, const Response&) = default;
};

// Bytes before the headers: code and length, then the fixed fields of the operation.
std::size_t RequestPrefixSize(Opcode opcode);
std::size_t ResponsePrefixSize(bool toConnect);
// The whole packet's size once encoded.
std::size_t EncodedSize(const Request& request);
std::size_t EncodedSize(const Response& response);

// `out` is replaced by the packet; on error it is left as it was. A packet above 65535 bytes
// is PacketTooLarge (the caller checks the peer's own maximum).
CodecError EncodeRequest(const Request& request, Bytes* out);
CodecError EncodeResponse(const Response& response, Bytes* out);

// `packet` must be exactly one packet. `out` is replaced on success only. A response carries
// CONNECT fields only when it answers a CONNECT, which the caller knows.
CodecError DecodeRequest(std::span<const std::uint8_t> packet, Request* out);
CodecError DecodeResponse(std::span<const std::uint8_t> packet, bool toConnect, Response* out);

// The length field of a packet whose first three bytes are given.
constexpr std::size_t PacketLengthField(const std::uint8_t* prefix) {
    return static_cast<std::size_t>(prefix[1]) << 8 | prefix[2];
}

}  // namespace obex

#pragma GCC visibility pop
