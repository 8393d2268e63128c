#include "platform/bluetooth/bt_device_name.h"

#include <cstdint>

namespace bth {
namespace {

std::size_t Utf8Length(wchar_t c) {
    const auto code = static_cast<std::uint32_t>(c);
    return code < 0x80 ? 1 : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
}

}  // namespace

std::wstring CutDeviceName(std::wstring_view name) {
    std::size_t bytes = 0, kept = 0;
    for (; kept < name.size(); ++kept) {
        bytes += Utf8Length(name[kept]);
        if (bytes > kMaxDeviceNameBytes) break;
    }
    return std::wstring(name.substr(0, kept));
}

}  // namespace bth
