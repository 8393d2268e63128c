#pragma once
// OBEX numbers as they travel: operation codes, response codes, header identifiers and the
// fixed fields of CONNECT and SETPATH.
#include <cstddef>
#include <cstdint>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

// The high bit of an operation or response code: the last packet of a request or response.
inline constexpr std::uint8_t kFinalBit = 0x80;

// Operation codes without the final bit. CONNECT, DISCONNECT, SETPATH and ABORT always carry it.
enum class Opcode : std::uint8_t {
    Connect = 0x00,
    Disconnect = 0x01,
    Put = 0x02,
    Get = 0x03,
    SetPath = 0x05,
    Abort = 0x7F,
};

// Response codes without the final bit. Any byte may arrive; these are the ones named here.
enum class ResponseCode : std::uint8_t {
    Continue = 0x10,
    Success = 0x20,
    Created = 0x21,
    Accepted = 0x22,
    BadRequest = 0x40,
    Unauthorized = 0x41,
    Forbidden = 0x43,
    NotFound = 0x44,
    MethodNotAllowed = 0x45,
    NotAcceptable = 0x46,
    RequestTimeout = 0x48,
    Conflict = 0x49,
    LengthRequired = 0x4B,
    PreconditionFailed = 0x4C,
    EntityTooLarge = 0x4D,
    UnsupportedMediaType = 0x4F,
    InternalServerError = 0x50,
    NotImplemented = 0x51,
    ServiceUnavailable = 0x53,
    DatabaseFull = 0x60,
    DatabaseLocked = 0x61,
};

// Header identifiers. The two high bits give the encoding (see HeaderEncoding).
namespace hid {
inline constexpr std::uint8_t kCount = 0xC0;
inline constexpr std::uint8_t kName = 0x01;
inline constexpr std::uint8_t kType = 0x42;
inline constexpr std::uint8_t kLength = 0xC3;
inline constexpr std::uint8_t kTime = 0x44;
inline constexpr std::uint8_t kDescription = 0x05;
inline constexpr std::uint8_t kTarget = 0x46;
inline constexpr std::uint8_t kHttp = 0x47;
inline constexpr std::uint8_t kBody = 0x48;
inline constexpr std::uint8_t kEndOfBody = 0x49;
inline constexpr std::uint8_t kWho = 0x4A;
inline constexpr std::uint8_t kConnectionId = 0xCB;
inline constexpr std::uint8_t kAppParameters = 0x4C;
inline constexpr std::uint8_t kAuthChallenge = 0x4D;
inline constexpr std::uint8_t kAuthResponse = 0x4E;
inline constexpr std::uint8_t kObjectClass = 0x51;
}  // namespace hid

// How a header's value is written, by the two high bits of its identifier.
enum class HeaderEncoding : std::uint8_t {
    Unicode = 0,  // 2-byte length, UTF-16BE text ending in 0x0000 (or nothing at all: empty)
    Bytes = 1,    // 2-byte length, bytes
    Byte = 2,     // one byte
    Quad = 3,     // four bytes, most significant first
};
constexpr HeaderEncoding EncodingOf(std::uint8_t headerId) { return static_cast<HeaderEncoding>(headerId >> 6); }

// CONNECT carries the protocol version (1.0), flags and the largest packet its sender accepts.
inline constexpr std::uint8_t kVersion = 0x10;
// Every packet length lies between these; a peer must accept packets of the minimum size.
inline constexpr std::uint16_t kMinPacketLength = 255;
inline constexpr std::uint16_t kMaxPacketLength = 65535;
// Code and length of every packet.
inline constexpr std::size_t kPacketPrefixSize = 3;

// SETPATH flags: go up one level before applying the name; fail rather than create a folder.
inline constexpr std::uint8_t kSetPathBackup = 0x01;
inline constexpr std::uint8_t kSetPathNoCreate = 0x02;

// The Folder Browsing service (F9EC7BC4-953C-11D2-984E-525400DC9E09) a File Transfer client
// names in the Target header of its CONNECT, as the header's bytes.
inline constexpr std::uint8_t kFolderBrowsingTarget[16] = {0xF9, 0xEC, 0x7B, 0xC4, 0x95, 0x3C, 0x11, 0xD2,
                                                          0x98, 0x4E, 0x52, 0x54, 0x00, 0xDC, 0x9E, 0x09};

}  // namespace obex

#pragma GCC visibility pop
