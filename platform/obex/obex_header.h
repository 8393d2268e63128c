#pragma once
// One OBEX header (identifier and value) and the codec of a run of headers. Values are typed
// by the identifier's encoding: text for Unicode headers, bytes, one byte or a 32-bit number.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/obex/obex_codes.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

using Bytes = std::vector<std::uint8_t>;

// What is wrong with bytes that claim to be OBEX, or with a packet that cannot be written.
enum class CodecError {
    None,
    PacketTruncated,       // fewer than the three bytes of code and length
    LengthMismatch,        // the length field disagrees with the bytes given
    ConnectTooShort,       // a CONNECT request or response without its four fixed bytes
    SetPathTooShort,       // a SETPATH request without its flags and constants
    HeaderTruncated,       // a header runs past the end of the packet
    HeaderLengthInvalid,   // a header's own length is below its three prefix bytes
    UnicodeOddLength,      // a Unicode header whose text is not whole UTF-16 units
    UnicodeUnterminated,   // a Unicode header whose text does not end in 0x0000
    UnicodeEmbeddedNul,    // a Unicode header with 0x0000 before its end (or such text to send)
    HeaderValueMismatch,   // a header whose value does not fit its identifier's encoding
    PacketTooLarge,        // more than 65535 bytes, or more than the receiver accepts
};
// A short English description ("header runs past the end of the packet").
const char* CodecErrorText(CodecError error);

class Header {
public:
    using Value = std::variant<std::wstring, Bytes, std::uint8_t, std::uint32_t>;

    Header() = default;
    // The value must match the identifier's encoding (Valid()); the encoder refuses others.
    Header(std::uint8_t id, std::wstring text) : id_(id), value_(std::in_place_index<0>, std::move(text)) {}
    Header(std::uint8_t id, Bytes bytes) : id_(id), value_(std::in_place_index<1>, std::move(bytes)) {}
    Header(std::uint8_t id, std::uint8_t byte) : id_(id), value_(std::in_place_index<2>, byte) {}
    Header(std::uint8_t id, std::uint32_t quad) : id_(id), value_(std::in_place_index<3>, quad) {}

    static Header Name(std::wstring name) { return Header(hid::kName, std::move(name)); }
    static Header Description(std::wstring text) { return Header(hid::kDescription, std::move(text)); }
    // The MIME type as ASCII; the terminating NUL is added here.
    static Header Type(std::string_view type);
    static Header Target(std::span<const std::uint8_t> bytes) { return Header(hid::kTarget, Bytes(bytes.begin(), bytes.end())); }
    static Header Who(std::span<const std::uint8_t> bytes) { return Header(hid::kWho, Bytes(bytes.begin(), bytes.end())); }
    static Header Body(std::span<const std::uint8_t> bytes) { return Header(hid::kBody, Bytes(bytes.begin(), bytes.end())); }
    static Header EndOfBody(std::span<const std::uint8_t> bytes) { return Header(hid::kEndOfBody, Bytes(bytes.begin(), bytes.end())); }
    static Header AppParameters(std::span<const std::uint8_t> bytes) { return Header(hid::kAppParameters, Bytes(bytes.begin(), bytes.end())); }
    static Header Length(std::uint32_t length) { return Header(hid::kLength, length); }
    static Header ConnectionId(std::uint32_t id) { return Header(hid::kConnectionId, id); }
    static Header Count(std::uint32_t count) { return Header(hid::kCount, count); }

    std::uint8_t id() const { return id_; }
    const Value& value() const { return value_; }
    bool Valid() const { return value_.index() == static_cast<std::size_t>(EncodingOf(id_)); }

    // Null (or 0 / false) when the value is of another kind.
    const std::wstring* text() const { return std::get_if<std::wstring>(&value_); }
    const Bytes* bytes() const { return std::get_if<Bytes>(&value_); }
    // So that a large value (a Body) can be taken out rather than copied.
    Bytes* bytes() { return std::get_if<Bytes>(&value_); }
    const std::uint8_t* byte() const { return std::get_if<std::uint8_t>(&value_); }
    const std::uint32_t* quad() const { return std::get_if<std::uint32_t>(&value_); }
    // Type as text, without its NUL; empty for other headers.
    std::string_view TypeText() const;

    // Bytes on the wire, identifier and length included.
    std::size_t EncodedSize() const;

    friend bool operator==(const Header&, const Header&) = default;

private:
    std::uint8_t id_ = 0;
    Value value_;
};

// The first header with this identifier, or null.
const Header* FindHeader(const std::vector<Header>& headers, std::uint8_t id);

// Whether every header can be encoded: the refusals of EncodeHeaders.
CodecError CheckHeaders(const std::vector<Header>& headers);
// Appends the headers to `out`. Refuses (and appends nothing) headers whose value does not fit
// the identifier, text holding U+0000, and values too long for one header.
CodecError EncodeHeaders(const std::vector<Header>& headers, Bytes* out);
std::size_t EncodedSize(const std::vector<Header>& headers);

// Reads headers up to the end of `bytes`, each checked against the bytes left. `out` is
// replaced on success only.
CodecError DecodeHeaders(std::span<const std::uint8_t> bytes, std::vector<Header>* out);

}  // namespace obex

#pragma GCC visibility pop
