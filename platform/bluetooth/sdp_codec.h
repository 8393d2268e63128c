#pragma once
// Wire form of SDP data elements. Each element starts with a header byte, type << 3 | size
// index: indexes 0..4 give a fixed value size of 1, 2, 4, 8 or 16 bytes (nil and boolean use 0
// for 0 and 1 bytes), indexes 5, 6, 7 say an 8-, 16- or 32-bit big-endian length follows.
//
// The decoder reads bytes from remote devices, so it trusts nothing: it never reads past the
// buffer, checks every length before using it, allocates only for bytes actually present, and
// stops at kMaxNesting nested containers.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "platform/bluetooth/sdp_element.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace sdp {

// Size indexes from here on mean a length field follows the header byte: 5 -> 8-bit, 6 -> 16-bit,
// 7 -> 32-bit.
inline constexpr std::uint8_t kFirstLengthIndex = 5;

// Deepest allowed container nesting: 32 sequences inside each other decode, 33 do not.
inline constexpr std::size_t kMaxNesting = 32;

// Bytes Encode() produces for `element`. Text or containers longer than 4 GiB throw std::length_error.
std::size_t EncodedSize(const DataElement& element);
// Appends the element using the shortest length field that fits for text, URLs and containers.
void EncodeInto(std::vector<std::uint8_t>& out, const DataElement& element);
std::vector<std::uint8_t> Encode(const DataElement& element);

enum class DecodeError : std::uint8_t {
    None,
    Truncated,      // the buffer ends inside a header, length field or fixed-size value
    ReservedType,   // type code 9..31
    BadSizeIndex,   // size index not allowed for the type (e.g. a 3-byte UUID, a nil with a value)
    LengthOverrun,  // a length field claims more bytes than the buffer has left
    ChildOverrun,   // an element inside a sequence / alternative runs past its parent's end
    TooDeep,        // more than kMaxNesting containers inside each other
};
std::string_view DecodeErrorName(DecodeError error);

struct DecodeResult {
    DecodeError error = DecodeError::None;
    // On failure, the offset from the start of the buffer of the element found faulty.
    std::size_t offset = 0;

    bool ok() const { return error == DecodeError::None; }
    explicit operator bool() const { return ok(); }
};

struct ElementHeader {
    ElementType type = ElementType::Nil;
    std::uint8_t sizeIndex = 0;
    std::size_t headerSize = 0;  // header byte plus length field
    std::size_t valueSize = 0;   // bytes after the header
};

// Reads the header of the element at the start of `data` and checks that its value fits in
// `size`; looks no further (children are not checked).
DecodeResult ReadHeader(const std::uint8_t* data, std::size_t size, ElementHeader* out);

// Decodes the one element at the start of `data`. `out` may be null to only check it;
// `consumed` (may be null) receives the element's total size. Bytes after it are left alone.
DecodeResult Decode(const std::uint8_t* data, std::size_t size, DataElement* out, std::size_t* consumed);
inline DecodeResult Decode(std::span<const std::uint8_t> data, DataElement* out, std::size_t* consumed = nullptr) {
    return Decode(data.data(), data.size(), out, consumed);
}

// True when the buffer is exactly one or more well-formed elements back to back, with nothing
// left over. An empty buffer is not valid. On failure `errorOffset` gets the faulty element's offset.
bool Validate(const std::uint8_t* data, std::size_t size, std::size_t* errorOffset = nullptr);

}  // namespace sdp

#pragma GCC visibility pop
