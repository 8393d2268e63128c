#include "platform/bluetooth/sdp_element.h"

#include <algorithm>

namespace sdp {

DataElement DataElement::Fixed(ElementType type, const Bytes16& bytes, std::size_t width) {
    DataElement e;
    e.type_ = type;
    e.width_ = static_cast<std::uint8_t>(width);
    e.fixed_ = bytes;
    return e;
}

DataElement DataElement::Integer(ElementType type, std::uint64_t value, std::size_t width) {
    Bytes16 bytes{};
    for (std::size_t i = 0; i < width; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
    return Fixed(type, bytes, width);
}

DataElement DataElement::Container(ElementType type, std::vector<DataElement> children) {
    DataElement e;
    e.type_ = type;
    e.children_ = std::move(children);
    return e;
}

DataElement DataElement::UInt8(std::uint8_t v) { return Integer(ElementType::UnsignedInt, v, 1); }
DataElement DataElement::UInt16(std::uint16_t v) { return Integer(ElementType::UnsignedInt, v, 2); }
DataElement DataElement::UInt32(std::uint32_t v) { return Integer(ElementType::UnsignedInt, v, 4); }
DataElement DataElement::UInt64(std::uint64_t v) { return Integer(ElementType::UnsignedInt, v, 8); }
// Signed values go through their two's complement bit pattern.
DataElement DataElement::Int8(std::int8_t v) {
    return Integer(ElementType::SignedInt, static_cast<std::uint8_t>(v), 1);
}
DataElement DataElement::Int16(std::int16_t v) {
    return Integer(ElementType::SignedInt, static_cast<std::uint16_t>(v), 2);
}
DataElement DataElement::Int32(std::int32_t v) {
    return Integer(ElementType::SignedInt, static_cast<std::uint32_t>(v), 4);
}
DataElement DataElement::Int64(std::int64_t v) {
    return Integer(ElementType::SignedInt, static_cast<std::uint64_t>(v), 8);
}

DataElement DataElement::UInt128(const Bytes16& bigEndian) { return Fixed(ElementType::UnsignedInt, bigEndian, 16); }
DataElement DataElement::Int128(const Bytes16& bigEndian) { return Fixed(ElementType::SignedInt, bigEndian, 16); }

DataElement DataElement::IntegerFromBytes(bool isSigned, std::span<const std::uint8_t> bigEndian) {
    const std::size_t width = bigEndian.size();
    if (width == 0 || width > 16 || (width & (width - 1)) != 0) return Nil();
    Bytes16 bytes{};
    std::ranges::copy(bigEndian, bytes.begin());
    return Fixed(isSigned ? ElementType::SignedInt : ElementType::UnsignedInt, bytes, width);
}

DataElement DataElement::Uuid16(std::uint16_t v) { return Fixed(ElementType::Uuid, Uuid::FromShort(v).bytes, 2); }
DataElement DataElement::Uuid32(std::uint32_t v) { return Fixed(ElementType::Uuid, Uuid::FromShort(v).bytes, 4); }
DataElement DataElement::Uuid128(const Uuid& v) { return Fixed(ElementType::Uuid, v.bytes, 16); }

DataElement DataElement::Text(std::string_view bytes) {
    DataElement e;
    e.type_ = ElementType::Text;
    e.text_ = bytes;
    return e;
}

DataElement DataElement::Url(std::string_view bytes) {
    DataElement e = Text(bytes);
    e.type_ = ElementType::Url;
    return e;
}

DataElement DataElement::Bool(bool v) { return Integer(ElementType::Boolean, v ? 1 : 0, 1); }

DataElement DataElement::Sequence(std::vector<DataElement> children) {
    return Container(ElementType::Sequence, std::move(children));
}

DataElement DataElement::Alternative(std::vector<DataElement> children) {
    return Container(ElementType::Alternative, std::move(children));
}

std::optional<std::uint64_t> DataElement::AsUnsigned() const {
    if (type_ != ElementType::UnsignedInt || width_ > 8) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width_; ++i) value = value << 8 | fixed_[i];
    return value;
}

std::optional<std::int64_t> DataElement::AsSigned() const {
    if (type_ != ElementType::SignedInt || width_ > 8) return std::nullopt;
    // Start from all ones when the sign bit is set so the narrower value sign-extends.
    std::uint64_t value = (fixed_[0] & 0x80) ? ~std::uint64_t{0} : 0;
    for (std::size_t i = 0; i < width_; ++i) value = value << 8 | fixed_[i];
    return static_cast<std::int64_t>(value);
}

std::span<const std::uint8_t> DataElement::IntegerBytes() const {
    if (type_ != ElementType::UnsignedInt && type_ != ElementType::SignedInt) return {};
    return {fixed_.data(), width_};
}

std::optional<Uuid> DataElement::AsUuid() const {
    if (type_ != ElementType::Uuid) return std::nullopt;
    return Uuid{fixed_};
}

std::optional<bool> DataElement::AsBool() const {
    if (type_ != ElementType::Boolean) return std::nullopt;
    return fixed_[0] != 0;
}

std::optional<std::string_view> DataElement::AsText() const {
    if (type_ != ElementType::Text) return std::nullopt;
    return std::string_view(text_);
}

std::optional<std::string_view> DataElement::AsUrl() const {
    if (type_ != ElementType::Url) return std::nullopt;
    return std::string_view(text_);
}

bool operator==(const DataElement& a, const DataElement& b) {
    if (a.type_ != b.type_) return false;
    switch (a.type_) {
        case ElementType::Nil:
            return true;
        case ElementType::UnsignedInt:
        case ElementType::SignedInt:
            return std::ranges::equal(a.IntegerBytes(), b.IntegerBytes());
        case ElementType::Uuid:
            return a.fixed_ == b.fixed_;
        case ElementType::Boolean:
            return *a.AsBool() == *b.AsBool();
        case ElementType::Text:
        case ElementType::Url:
            return a.text_ == b.text_;
        case ElementType::Sequence:
        case ElementType::Alternative:
            return a.children_ == b.children_;
    }
    return false;
}

}  // namespace sdp
