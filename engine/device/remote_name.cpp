#include "engine/device/remote_name.h"

namespace {
constexpr size_t kMaxNameBytes = 248;

size_t Utf8Length(wchar_t c) {
    auto code = static_cast<std::uint32_t>(c);
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}
}  // namespace

CString RemoteDeviceName(const wchar_t* raw) {
    CString name;
    size_t bytes = 0;
    for (const wchar_t* c = raw; c && *c; ++c) {
        bytes += Utf8Length(*c);
        if (bytes > kMaxNameBytes) break;
        bool control = static_cast<std::uint32_t>(*c) < 0x20 || (*c >= 0x7F && *c < 0xA0);
        name += control ? L' ' : *c;
    }
    return name;
}
