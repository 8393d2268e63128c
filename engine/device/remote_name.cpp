#include "engine/device/remote_name.h"

#include "platform/bluetooth/bt_device_name.h"

CString RemoteDeviceName(const wchar_t* raw) {
    CString name;
    for (wchar_t c : bth::CutDeviceName(raw ? std::wstring_view(raw) : std::wstring_view())) {
        const bool control = static_cast<std::uint32_t>(c) < 0x20 || (c >= 0x7F && c < 0xA0);
        name += control ? L' ' : c;
    }
    return name;
}
