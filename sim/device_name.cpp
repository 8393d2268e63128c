#include "sim/device_name.h"

#include "platform/mfc/cstring_encoding.h"

namespace sim {

std::wstring AnnouncedName(std::string_view utf8) {
    if (utf8.size() > kMaxDeviceNameBytes) {
        std::size_t cut = kMaxDeviceNameBytes;
        // Back up over continuation bytes (10xxxxxx) so the last character stays whole.
        while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
        utf8 = utf8.substr(0, cut);
    }
    return platform::WideFromUtf8(utf8);
}

}  // namespace sim
