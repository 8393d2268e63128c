#include "bluez/inquiry/lookups.h"

namespace bluez {

bth::LookupId LookupTable::Add(std::shared_ptr<Lookup> lookup) {
    std::lock_guard lock(mutex_);
    const bth::LookupId id = next_++;
    lookups_[id] = std::move(lookup);
    return id;
}

std::shared_ptr<Lookup> LookupTable::Find(bth::LookupId id) const {
    std::lock_guard lock(mutex_);
    auto it = lookups_.find(id);
    return it == lookups_.end() ? nullptr : it->second;
}

std::shared_ptr<Lookup> LookupTable::Remove(bth::LookupId id) {
    std::lock_guard lock(mutex_);
    auto it = lookups_.find(id);
    if (it == lookups_.end()) return nullptr;
    auto lookup = std::move(it->second);
    lookups_.erase(it);
    return lookup;
}

std::vector<std::shared_ptr<Lookup>> LookupTable::TakeAll() {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<Lookup>> all;
    for (auto& [id, lookup] : lookups_) all.push_back(std::move(lookup));
    lookups_.clear();
    return all;
}

bool LookupTable::InquiryOpen(const Lookup* except) const {
    std::lock_guard lock(mutex_);
    for (const auto& [id, lookup] : lookups_)
        if (lookup.get() != except && !lookup->search && !lookup->ended) return true;
    return false;
}

}  // namespace bluez
