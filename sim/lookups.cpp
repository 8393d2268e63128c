#include "sim/lookups.h"

namespace sim {

HANDLE LookupTable::Add(std::shared_ptr<Lookup> lookup) {
    const std::uintptr_t key = ++next_;
    lookups_.emplace(key, std::move(lookup));
    return reinterpret_cast<HANDLE>(key);
}

std::shared_ptr<Lookup> LookupTable::Find(HANDLE handle) const {
    auto it = lookups_.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == lookups_.end() ? nullptr : it->second;
}

bool LookupTable::End(HANDLE handle) {
    auto it = lookups_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == lookups_.end()) return false;
    Finish(*it->second);
    lookups_.erase(it);
    return true;
}

void LookupTable::EndAll() {
    for (auto& [key, lookup] : lookups_) Finish(*lookup);
    lookups_.clear();
}

void LookupTable::Finish(Lookup& lookup) {
    lookup.ended = true;
    lookup.cancel.Set();
}

}  // namespace sim
