#include "platform/bluetooth/sdp_record.h"

#include "platform/bluetooth/sdp_codec.h"

namespace sdp {

std::optional<Record> Record::FromElement(const DataElement& list) {
    const auto& items = list.Children();
    if (list.type() != ElementType::Sequence || items.size() % 2 != 0) return std::nullopt;
    Record record;
    std::optional<std::uint16_t> previous;
    for (std::size_t i = 0; i < items.size(); i += 2) {
        const DataElement& id = items[i];
        if (id.type() != ElementType::UnsignedInt || id.width() != 2) return std::nullopt;
        const auto value = static_cast<std::uint16_t>(*id.AsUnsigned());
        if (previous && value <= *previous) return std::nullopt;
        previous = value;
        // Ascending ids, so each insert lands at the end.
        record.attributes_.emplace_hint(record.attributes_.end(), value, items[i + 1]);
    }
    return record;
}

const DataElement* Record::Get(std::uint16_t id) const {
    const auto it = attributes_.find(id);
    return it == attributes_.end() ? nullptr : &it->second;
}

DataElement Record::ToElement() const {
    std::vector<DataElement> items;
    items.reserve(attributes_.size() * 2);
    for (const auto& [id, value] : attributes_) {
        items.push_back(DataElement::UInt16(id));
        items.push_back(value);
    }
    return DataElement::Sequence(std::move(items));
}

std::vector<std::uint8_t> Record::Encode() const { return sdp::Encode(ToElement()); }

bool IsRecordStream(const std::vector<std::uint8_t>& stream) {
    DataElement element;
    std::size_t consumed = 0;
    return !stream.empty() && Decode(stream, &element, &consumed) && consumed == stream.size() &&
           Record::FromElement(element).has_value();
}

}  // namespace sdp
