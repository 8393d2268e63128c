// The text conversions of platform/text: the input read as UTF-8, as UTF-16 units, as wide
// characters and as ISO-8859-1. Nothing fails; what is valid comes back exactly.
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "platform/text/utf.h"

namespace {

using namespace platform;

bool AllScalars(std::wstring_view text) {
    for (wchar_t c : text)
        if (c < 0 || !IsUnicodeScalar(static_cast<char32_t>(c))) return false;
    return true;
}

void FromUtf8(std::string_view bytes) {
    const std::wstring wide = WideFromUtf8(bytes);
    FUZZ_CHECK(wide.size() <= bytes.size() && AllScalars(wide));
    const std::string back = Utf8FromWide(wide);
    // Bytes decoded without a replacement were valid UTF-8 (no overlong forms, surrogates or
    // values past U+10FFFF): they come back exactly.
    if (wide.find(kReplacementChar) == std::wstring::npos) FUZZ_CHECK(back == bytes);
    FUZZ_CHECK(back.size() <= 3 * bytes.size());
    FUZZ_CHECK(WideFromUtf8(back) == wide);
    FUZZ_CHECK(WideFromUtf16(Utf16FromWide(wide)) == wide);
    FUZZ_CHECK(Utf16Length(wide) == Utf16FromWide(wide).size());
}

void FromUtf16(std::u16string_view units) {
    const std::wstring wide = WideFromUtf16(units);
    FUZZ_CHECK(wide.size() <= units.size());
    FUZZ_CHECK(Utf16FromWide(wide) == units);  // lone surrogates too
    FUZZ_CHECK(Utf16Length(wide) == units.size());
    const std::wstring viaUtf8 = WideFromUtf8(Utf8FromWide(wide));
    FUZZ_CHECK(viaUtf8.size() == wide.size() && AllScalars(viaUtf8));
    if (AllScalars(wide)) FUZZ_CHECK(viaUtf8 == wide);
}

void FromWide(std::wstring_view wide) {
    const std::u16string units = Utf16FromWide(wide);
    FUZZ_CHECK(Utf16Length(wide) == units.size());
    const std::wstring viaUtf8 = WideFromUtf8(Utf8FromWide(wide));
    FUZZ_CHECK(viaUtf8.size() == wide.size() && AllScalars(viaUtf8));
    if (AllScalars(wide)) {
        FUZZ_CHECK(viaUtf8 == wide);
        FUZZ_CHECK(WideFromUtf16(units) == wide);
    }
    FUZZ_CHECK(Latin1FromWide(wide).size() == wide.size());
}

template <typename Unit>
std::basic_string<Unit> Units(const std::uint8_t* data, std::size_t size) {
    std::basic_string<Unit> units(size / sizeof(Unit), Unit{});
    std::memcpy(units.data(), data, units.size() * sizeof(Unit));
    return units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > fuzzsupport::kMaxInput) return 0;
    const std::string_view bytes = fuzzsupport::Text(data, size);
    FromUtf8(bytes);
    FromUtf16(Units<char16_t>(data, size));
    FromWide(Units<wchar_t>(data, size));
    FUZZ_CHECK(Latin1FromWide(WideFromLatin1(bytes)) == bytes);
    return 0;
}
