#include "platform/bluetooth/sdp_codec.h"

#include <algorithm>

namespace sdp {
namespace {

constexpr std::uint8_t kFirstReservedType = 9;

bool SizeIndexAllowed(ElementType type, std::uint8_t index) {
    switch (type) {
        case ElementType::Nil:
        case ElementType::Boolean:
            return index == 0;
        case ElementType::UnsignedInt:
        case ElementType::SignedInt:
            return index <= 4;
        case ElementType::Uuid:
            return index == 1 || index == 2 || index == 4;
        case ElementType::Text:
        case ElementType::Url:
        case ElementType::Sequence:
        case ElementType::Alternative:
            return index >= kFirstLengthIndex;
    }
    return false;
}

std::size_t FixedValueSize(ElementType type, std::uint8_t index) {
    if (type == ElementType::Nil) return 0;
    if (type == ElementType::Boolean) return 1;
    return std::size_t{1} << index;
}

std::uint64_t ReadBigEndian(const std::uint8_t* p, std::size_t bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) value = value << 8 | p[i];
    return value;
}

// Header of the element at data[pos], which must end by data[end] (pos <= end).
DecodeResult HeaderAt(const std::uint8_t* data, std::size_t pos, std::size_t end, ElementHeader* h) {
    if (pos >= end) return {DecodeError::Truncated, pos};
    const std::uint8_t typeCode = data[pos] >> 3;
    const std::uint8_t index = data[pos] & 0x7;
    if (typeCode >= kFirstReservedType) return {DecodeError::ReservedType, pos};
    const auto type = static_cast<ElementType>(typeCode);
    if (!SizeIndexAllowed(type, index)) return {DecodeError::BadSizeIndex, pos};

    std::size_t remaining = end - pos - 1;
    h->type = type;
    h->sizeIndex = index;
    if (index < kFirstLengthIndex) {
        h->headerSize = 1;
        h->valueSize = FixedValueSize(type, index);
        if (h->valueSize > remaining) return {DecodeError::Truncated, pos};
        return {};
    }
    const std::size_t lengthBytes = std::size_t{1} << (index - kFirstLengthIndex);
    if (lengthBytes > remaining) return {DecodeError::Truncated, pos};
    remaining -= lengthBytes;
    // Compared against what is left rather than added to pos, so no length can wrap around.
    const std::uint64_t length = ReadBigEndian(data + pos + 1, lengthBytes);
    if (length > remaining) return {DecodeError::LengthOverrun, pos};
    h->headerSize = 1 + lengthBytes;
    h->valueSize = static_cast<std::size_t>(length);
    return {};
}

DataElement UuidElement(const std::uint8_t* p, std::size_t width) {
    if (width == 2) return DataElement::Uuid16(static_cast<std::uint16_t>(ReadBigEndian(p, 2)));
    if (width == 4) return DataElement::Uuid32(static_cast<std::uint32_t>(ReadBigEndian(p, 4)));
    Uuid uuid;
    std::copy(p, p + 16, uuid.bytes.begin());
    return DataElement::Uuid128(uuid);
}

// Decodes the element at data[pos] that must end by data[end]; `depth` counts the containers
// around it. Recursion is bounded by kMaxNesting. With `out` null nothing is allocated.
DecodeResult DecodeAt(const std::uint8_t* data, std::size_t pos, std::size_t end, std::size_t depth, DataElement* out,
                      std::size_t* next) {
    ElementHeader h;
    if (DecodeResult r = HeaderAt(data, pos, end, &h); !r) return r;
    const std::uint8_t* value = data + pos + h.headerSize;
    const std::size_t stop = pos + h.headerSize + h.valueSize;  // <= end, checked by HeaderAt

    if (h.type == ElementType::Sequence || h.type == ElementType::Alternative) {
        if (depth >= kMaxNesting) return {DecodeError::TooDeep, pos};
        std::vector<DataElement> children;
        for (std::size_t p = pos + h.headerSize; p < stop;) {
            DataElement child;
            DecodeResult r = DecodeAt(data, p, stop, depth + 1, out ? &child : nullptr, &p);
            if (r.error == DecodeError::Truncated || r.error == DecodeError::LengthOverrun)
                r.error = DecodeError::ChildOverrun;
            if (!r) return r;
            if (out) children.push_back(std::move(child));
        }
        if (out) {
            *out = h.type == ElementType::Sequence ? DataElement::Sequence(std::move(children))
                                                   : DataElement::Alternative(std::move(children));
        }
    } else if (out) {
        switch (h.type) {
            case ElementType::Nil:
                *out = DataElement::Nil();
                break;
            case ElementType::UnsignedInt:
            case ElementType::SignedInt:
                *out = DataElement::IntegerFromBytes(h.type == ElementType::SignedInt, {value, h.valueSize});
                break;
            case ElementType::Uuid:
                *out = UuidElement(value, h.valueSize);
                break;
            case ElementType::Boolean:
                *out = DataElement::Bool(*value != 0);
                break;
            case ElementType::Text:
                *out = DataElement::Text({reinterpret_cast<const char*>(value), h.valueSize});
                break;
            case ElementType::Url:
                *out = DataElement::Url({reinterpret_cast<const char*>(value), h.valueSize});
                break;
            default:
                break;
        }
    }
    *next = stop;
    return {};
}

}  // namespace

std::string_view DecodeErrorName(DecodeError error) {
    switch (error) {
        case DecodeError::None:
            return "none";
        case DecodeError::Truncated:
            return "truncated";
        case DecodeError::ReservedType:
            return "reserved type";
        case DecodeError::BadSizeIndex:
            return "bad size index";
        case DecodeError::LengthOverrun:
            return "length past the end";
        case DecodeError::ChildOverrun:
            return "child past its parent's end";
        case DecodeError::TooDeep:
            return "nested too deep";
    }
    return "unknown";
}

DecodeResult ReadHeader(const std::uint8_t* data, std::size_t size, ElementHeader* out) {
    return HeaderAt(data, 0, size, out);
}

DecodeResult Decode(const std::uint8_t* data, std::size_t size, DataElement* out, std::size_t* consumed) {
    std::size_t next = 0;
    DataElement element;
    const DecodeResult r = DecodeAt(data, 0, size, 0, out ? &element : nullptr, &next);
    if (!r) return r;
    if (out) *out = std::move(element);
    if (consumed) *consumed = next;
    return r;
}

bool Validate(const std::uint8_t* data, std::size_t size, std::size_t* errorOffset) {
    std::size_t pos = 0;
    do {
        std::size_t next = 0;
        const DecodeResult r = DecodeAt(data, pos, size, 0, nullptr, &next);
        if (!r) {
            if (errorOffset) *errorOffset = r.offset;
            return false;
        }
        pos = next;
    } while (pos < size);
    return true;
}

}  // namespace sdp
