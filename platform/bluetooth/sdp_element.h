#pragma once
// One SDP data element in decoded form: a typed value (integer, UUID, text, boolean, URL) or a
// sequence / alternative of further elements. sdp_codec.h turns elements into bytes and back.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bluetooth/sdp_uuid.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace sdp {

// Type codes as they appear in the top five bits of an element's header byte.
enum class ElementType : std::uint8_t {
    Nil = 0,
    UnsignedInt = 1,
    SignedInt = 2,
    Uuid = 3,
    Text = 4,
    Boolean = 5,
    Sequence = 6,
    Alternative = 7,
    Url = 8,
};

class DataElement {
public:
    using Bytes16 = std::array<std::uint8_t, 16>;

    DataElement() = default;  // Nil

    static DataElement Nil() { return DataElement(); }
    static DataElement UInt8(std::uint8_t value);
    static DataElement UInt16(std::uint16_t value);
    static DataElement UInt32(std::uint32_t value);
    static DataElement UInt64(std::uint64_t value);
    static DataElement UInt128(const Bytes16& bigEndian);
    static DataElement Int8(std::int8_t value);
    static DataElement Int16(std::int16_t value);
    static DataElement Int32(std::int32_t value);
    static DataElement Int64(std::int64_t value);
    static DataElement Int128(const Bytes16& bigEndian);
    // An integer of the given bytes, most significant first. Widths other than 1, 2, 4, 8 and
    // 16 give Nil.
    static DataElement IntegerFromBytes(bool isSigned, std::span<const std::uint8_t> bigEndian);
    static DataElement Uuid16(std::uint16_t value);
    static DataElement Uuid32(std::uint32_t value);
    static DataElement Uuid128(const Uuid& value);
    // Text and URLs are byte strings in whatever encoding the remote radio used (usually UTF-8).
    static DataElement Text(std::string_view bytes);
    static DataElement Url(std::string_view bytes);
    static DataElement Bool(bool value);
    static DataElement Sequence(std::vector<DataElement> children);
    static DataElement Alternative(std::vector<DataElement> children);

    ElementType type() const { return type_; }
    // Bytes of the value on the wire for the fixed-size types: integers 1, 2, 4, 8 or 16, UUIDs
    // 2, 4 or 16, booleans 1, nil 0. Zero for text, URLs and containers.
    std::size_t width() const { return width_; }
    bool IsContainer() const { return type_ == ElementType::Sequence || type_ == ElementType::Alternative; }

    // Unsigned / signed integers of up to 8 bytes; nullopt for other types and 128-bit integers.
    std::optional<std::uint64_t> AsUnsigned() const;
    std::optional<std::int64_t> AsSigned() const;
    // The integer's bytes, most significant first, at its own width; empty for non-integers.
    std::span<const std::uint8_t> IntegerBytes() const;
    // The 128-bit form, whatever the wire width.
    std::optional<sdp::Uuid> AsUuid() const;
    std::optional<bool> AsBool() const;
    std::optional<std::string_view> AsText() const;
    std::optional<std::string_view> AsUrl() const;
    // Children of a sequence or alternative; empty for everything else.
    const std::vector<DataElement>& Children() const { return children_; }

    // Integers compare by type, width and value; UUIDs by their 128-bit form only.
    friend bool operator==(const DataElement& a, const DataElement& b);

private:
    static DataElement Fixed(ElementType type, const Bytes16& bytes, std::size_t width);
    // `width` bytes of `value`, most significant first; width <= 8.
    static DataElement Integer(ElementType type, std::uint64_t value, std::size_t width);
    static DataElement Container(ElementType type, std::vector<DataElement> children);

    ElementType type_ = ElementType::Nil;
    std::uint8_t width_ = 0;
    Bytes16 fixed_{};  // integers (first width_ bytes), UUIDs (all 16), booleans (first byte)
    std::string text_;
    std::vector<DataElement> children_;
};

bool operator==(const DataElement& a, const DataElement& b);

}  // namespace sdp

#pragma GCC visibility pop
