#include "platform/bluetooth/sdp_stream.h"

#include "platform/bluetooth/sdp_codec.h"

namespace sdp {

bool VerifySequenceOfSequences(const std::uint8_t* data, std::size_t size, std::size_t* count) {
    // Check the whole stream first; after that the headers below cannot fail.
    std::size_t consumed = 0;
    if (!Decode(data, size, nullptr, &consumed) || consumed != size) return false;
    ElementHeader outer;
    ReadHeader(data, size, &outer);
    if (outer.type != ElementType::Sequence) return false;

    std::size_t children = 0;
    for (std::size_t pos = outer.headerSize; pos < size; ++children) {
        ElementHeader child;
        ReadHeader(data + pos, size - pos, &child);
        if (child.type != ElementType::Sequence) return false;
        pos += child.headerSize + child.valueSize;
    }
    if (count) *count = children;
    return true;
}

bool RetrieveRecords(const std::uint8_t* data, std::size_t size, std::vector<Record>* out) {
    DataElement reply;
    std::size_t consumed = 0;
    if (!Decode(data, size, &reply, &consumed) || consumed != size) return false;
    if (reply.type() != ElementType::Sequence) return false;
    std::vector<Record> records;
    records.reserve(reply.Children().size());
    for (const DataElement& list : reply.Children()) {
        auto record = Record::FromElement(list);
        if (!record) return false;
        records.push_back(std::move(*record));
    }
    *out = std::move(records);
    return true;
}

}  // namespace sdp
