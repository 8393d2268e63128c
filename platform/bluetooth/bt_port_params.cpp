#include "platform/bluetooth/bt_port_params.h"

#include <map>
#include <mutex>

namespace bth {
namespace {

// Cookies count up through all 32-bit values but 0, so a released one comes back only after
// four billion others, and never while still in use.
struct CookieTable {
    std::mutex mutex;
    std::map<DWORD, PORTEMUPortParams> records;
    DWORD last = 0;
};

CookieTable& Table() {
    static auto* table = new CookieTable;  // outlives every cookie, static ones included
    return *table;
}

}  // namespace

PortParamsCookie::PortParamsCookie(const PORTEMUPortParams& params) {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    do {
        ++table.last;
    } while (table.last == 0 || table.records.count(table.last));
    value_ = table.last;
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
