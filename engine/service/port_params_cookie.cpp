// Cookies for port-parameters records, for as long as the platform's serial driver does not
// bring its own. They keep the platform's declarations and default visibility, so the serial
// driver, once present, resolves the same cookies the engine makes. This file compiles to
// nothing as soon as the platform's own implementation is in the tree.
#if !__has_include("platform/bluetooth/bt_port_params.cpp")

#include <map>
#include <mutex>

#pragma GCC visibility push(default)
#include "platform/bluetooth/bt_port_params.h"

namespace bth {
namespace {

struct Cookies {
    std::mutex mutex;
    std::map<DWORD, PORTEMUPortParams> records;
    DWORD next = 1;  // 0 means no record
};

Cookies& Table() {
    static auto* table = new Cookies;
    return *table;
}

}  // namespace

PortParamsCookie::PortParamsCookie(const PORTEMUPortParams& params) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    while (table.next == 0 || table.records.count(table.next)) ++table.next;
    value_ = table.next++;
    table.records.emplace(value_, params);
}

PortParamsCookie::~PortParamsCookie() {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    table.records.erase(value_);
}

std::optional<PORTEMUPortParams> ResolvePortParams(DWORD cookie) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto it = table.records.find(cookie);
    if (it == table.records.end()) return std::nullopt;
    return it->second;
}

}  // namespace bth
#pragma GCC visibility pop

#endif
