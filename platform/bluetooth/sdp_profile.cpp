#include "platform/bluetooth/sdp_profile.h"

#include <algorithm>

namespace sdp {
namespace {

constexpr std::uint64_t kFirstRfcommChannel = 1;
constexpr std::uint64_t kLastRfcommChannel = 30;

bool IsUuid(const DataElement& e, const Uuid& uuid) { return e.AsUuid() == uuid; }

DataElement ShortestUuid(const Uuid& uuid) {
    const auto value = uuid.ToShort();
    if (!value) return DataElement::Uuid128(uuid);
    if (*value <= 0xFFFF) return DataElement::Uuid16(static_cast<std::uint16_t>(*value));
    return DataElement::Uuid32(*value);
}

// One protocol stack: a sequence of descriptors, each a sequence led by the protocol's UUID.
std::optional<std::uint8_t> ChannelInStack(const DataElement& stack) {
    for (const DataElement& descriptor : stack.Children()) {
        const auto& parts = descriptor.Children();
        if (descriptor.type() != ElementType::Sequence || parts.size() < 2 || !IsUuid(parts[0], uuids::kRfcomm))
            continue;
        // Some stacks send the channel in a wider integer than the customary uint8.
        const auto channel = parts[1].AsUnsigned();
        if (channel && *channel >= kFirstRfcommChannel && *channel <= kLastRfcommChannel)
            return static_cast<std::uint8_t>(*channel);
    }
    return std::nullopt;
}

}  // namespace

bool HasServiceClass(const Record& record, const Uuid& serviceClass) {
    const DataElement* classes = record.Get(attr::kServiceClassIdList);
    if (!classes || classes->type() != ElementType::Sequence) return false;
    return std::ranges::any_of(classes->Children(), [&](const DataElement& e) { return IsUuid(e, serviceClass); });
}

std::optional<std::uint8_t> RfcommChannel(const Record& record) {
    const DataElement* list = record.Get(attr::kProtocolDescriptorList);
    if (!list) return std::nullopt;
    if (list->type() == ElementType::Sequence) return ChannelInStack(*list);
    if (list->type() != ElementType::Alternative) return std::nullopt;
    for (const DataElement& stack : list->Children()) {
        if (stack.type() != ElementType::Sequence) continue;
        if (auto channel = ChannelInStack(stack)) return channel;
    }
    return std::nullopt;
}

std::optional<std::string> ServiceName(const Record& record) {
    const DataElement* name = record.Get(attr::kServiceName);
    if (!name || !name->AsText()) return std::nullopt;
    std::string text(*name->AsText());
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

Record BuildRfcommServiceRecord(std::uint32_t handle, const Uuid& serviceClass, std::uint8_t channel,
                                std::string_view serviceName, bool obex, std::optional<std::uint16_t> profileVersion) {
    using E = DataElement;
    std::vector<E> stack = {
        E::Sequence({ShortestUuid(uuids::kL2cap)}),
        E::Sequence({ShortestUuid(uuids::kRfcomm), E::UInt8(channel)}),
    };
    if (obex) stack.push_back(E::Sequence({ShortestUuid(uuids::kObex)}));

    Record record;
    record.Set(attr::kServiceRecordHandle, E::UInt32(handle));
    record.Set(attr::kServiceClassIdList, E::Sequence({ShortestUuid(serviceClass)}));
    record.Set(attr::kProtocolDescriptorList, E::Sequence(std::move(stack)));
    record.Set(attr::kBrowseGroupList, E::Sequence({ShortestUuid(uuids::kPublicBrowseGroup)}));
    if (profileVersion) {
        record.Set(attr::kBluetoothProfileDescriptorList,
                   E::Sequence({E::Sequence({ShortestUuid(serviceClass), E::UInt16(*profileVersion)})}));
    }
    record.Set(attr::kServiceName, E::Text(serviceName));
    return record;
}

}  // namespace sdp
