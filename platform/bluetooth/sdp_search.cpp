#include "platform/bluetooth/sdp_search.h"

#include <algorithm>

namespace sdp {

bool RecordContainsUuid(const Record& record, const Uuid& uuid) {
    // Walked with an explicit stack so a record built by hand cannot exhaust the call stack.
    std::vector<const DataElement*> pending;
    for (const auto& [id, value] : record.attributes()) pending.push_back(&value);
    while (!pending.empty()) {
        const DataElement* e = pending.back();
        pending.pop_back();
        if (e->AsUuid() == uuid) return true;
        for (const DataElement& child : e->Children()) pending.push_back(&child);
    }
    return false;
}

DataElement AnswerServiceSearchAttribute(const std::vector<Record>& database, const std::vector<Uuid>& pattern,
                                         const std::vector<AttributeRange>& ranges) {
    const auto inRange = [&](std::uint16_t id) {
        return std::ranges::any_of(ranges, [id](const AttributeRange& r) { return r.first <= id && id <= r.last; });
    };
    std::vector<DataElement> lists;
    for (const Record& record : database) {
        if (!std::ranges::all_of(pattern, [&](const Uuid& u) { return RecordContainsUuid(record, u); })) continue;
        Record selected;
        for (const auto& [id, value] : record.attributes()) {
            if (inRange(id)) selected.Set(id, value);
        }
        lists.push_back(selected.ToElement());
    }
    return DataElement::Sequence(std::move(lists));
}

DataElement AnswerServiceSearchAttribute(const std::vector<Record>& database, const std::vector<Uuid>& pattern,
                                         std::uint16_t minAttr, std::uint16_t maxAttr) {
    return AnswerServiceSearchAttribute(database, pattern, {AttributeRange{minAttr, maxAttr}});
}

}  // namespace sdp
