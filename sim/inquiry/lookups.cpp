#include "sim/inquiry/lookups.h"

namespace sim {

bth::LookupId LookupTable::Add(std::shared_ptr<Lookup> lookup) {
    const bth::LookupId id = ++next_;
    lookups_.emplace(id, std::move(lookup));
    return id;
}

std::shared_ptr<Lookup> LookupTable::Find(bth::LookupId id) const {
    auto it = lookups_.find(id);
    return it == lookups_.end() ? nullptr : it->second;
}

bool LookupTable::End(bth::LookupId id) {
    auto it = lookups_.find(id);
    if (it == lookups_.end()) return false;
    Finish(*it->second);
    lookups_.erase(it);
    return true;
}

void LookupTable::EndAll() {
    for (auto& [id, lookup] : lookups_) Finish(*lookup);
    lookups_.clear();
}

void LookupTable::Finish(Lookup& lookup) {
    lookup.ended = true;
    lookup.cancel.Set();
}

}  // namespace sim
