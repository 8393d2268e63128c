#include "platform/bluetooth/sdp_codec.h"

#include <bit>
#include <stdexcept>

namespace sdp {
namespace {

constexpr std::uint8_t kLength8 = kFirstLengthIndex;
constexpr std::uint8_t kLength16 = kFirstLengthIndex + 1;
constexpr std::uint8_t kLength32 = kFirstLengthIndex + 2;

// Fixed sizes 1, 2, 4, 8, 16 are size indexes 0..4; nil (width 0) and booleans use index 0.
std::uint8_t SizeIndexForWidth(std::size_t width) {
    return width <= 1 ? 0 : static_cast<std::uint8_t>(std::countr_zero(width));
}

std::uint8_t LengthIndex(std::size_t length) {
    if (length <= 0xFF) return kLength8;
    if (length <= 0xFFFF) return kLength16;
    if (length <= 0xFFFFFFFF) return kLength32;
    throw std::length_error("SDP element longer than 4 GiB");
}

std::size_t LengthFieldSize(std::uint8_t index) { return std::size_t{1} << (index - kLength8); }

bool HasLengthField(ElementType type) {
    return type == ElementType::Text || type == ElementType::Url || type == ElementType::Sequence ||
           type == ElementType::Alternative;
}

std::string_view TextOf(const DataElement& e) { return e.type() == ElementType::Text ? *e.AsText() : *e.AsUrl(); }

// Size of what follows the header and length field.
std::size_t ValueSize(const DataElement& e) {
    switch (e.type()) {
        case ElementType::Text:
        case ElementType::Url:
            return TextOf(e).size();
        case ElementType::Sequence:
        case ElementType::Alternative: {
            std::size_t total = 0;
            for (const DataElement& child : e.Children()) total += EncodedSize(child);
            return total;
        }
        default:
            return e.width();
    }
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = bytes; i-- > 0;) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::size_t EncodedSize(const DataElement& element) {
    const std::size_t value = ValueSize(element);
    return 1 + (HasLengthField(element.type()) ? LengthFieldSize(LengthIndex(value)) : 0) + value;
}

void EncodeInto(std::vector<std::uint8_t>& out, const DataElement& element) {
    const auto typeBits = static_cast<std::uint8_t>(static_cast<std::uint8_t>(element.type()) << 3);
    if (HasLengthField(element.type())) {
        const std::size_t length = ValueSize(element);
        const std::uint8_t index = LengthIndex(length);
        out.push_back(typeBits | index);
        PutBigEndian(out, length, LengthFieldSize(index));
    } else {
        out.push_back(typeBits | SizeIndexForWidth(element.width()));
    }

    switch (element.type()) {
        case ElementType::Nil:
            break;
        case ElementType::UnsignedInt:
        case ElementType::SignedInt: {
            const auto bytes = element.IntegerBytes();
            out.insert(out.end(), bytes.begin(), bytes.end());
            break;
        }
        case ElementType::Uuid: {
            const Uuid uuid = *element.AsUuid();
            // Short UUIDs were built from a base-range value, so ToShort() always has one.
            if (element.width() == 16)
                out.insert(out.end(), uuid.bytes.begin(), uuid.bytes.end());
            else
                PutBigEndian(out, *uuid.ToShort(), element.width());
            break;
        }
        case ElementType::Boolean:
            out.push_back(*element.AsBool() ? 1 : 0);
            break;
        case ElementType::Text:
        case ElementType::Url: {
            const std::string_view text = TextOf(element);
            out.insert(out.end(), text.begin(), text.end());
            break;
        }
        case ElementType::Sequence:
        case ElementType::Alternative:
            for (const DataElement& child : element.Children()) EncodeInto(out, child);
            break;
    }
}

std::vector<std::uint8_t> Encode(const DataElement& element) {
    std::vector<std::uint8_t> out;
    out.reserve(EncodedSize(element));
    EncodeInto(out, element);
    return out;
}

}  // namespace sdp
