#include "platform/registry/registry_names.h"

#include <cwctype>
#include <locale.h>

namespace platform::registry {
namespace {

// The C locale lower-cases ASCII only; the C.UTF-8 one knows all of Unicode. Should it be
// missing, Latin-1, Greek and Cyrillic capitals are still folded by hand.
locale_t UnicodeLocale() {
    static const locale_t locale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return locale;
}

wchar_t FoldByHand(wchar_t c) {
    if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F))
        return static_cast<wchar_t>(c + 0x20);
    if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 0x50);
    return c;
}

bool IsSeparator(wchar_t c, bool slashSeparates) { return c == L'\\' || (slashSeparates && c == L'/'); }

}  // namespace

std::vector<std::wstring> SplitKeyPath(std::wstring_view path, bool slashSeparates) {
    std::vector<std::wstring> components;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && !IsSeparator(path[i], slashSeparates)) continue;
        if (i > start) components.emplace_back(path.substr(start, i - start));
        start = i + 1;
    }
    return components;
}

std::wstring JoinKeyPath(const std::vector<std::wstring>& components) {
    std::wstring path;
    for (const auto& component : components) {
        if (!path.empty()) path += L'\\';
        path += component;
    }
    return path;
}

std::wstring FoldName(std::wstring_view name) {
    std::wstring folded(name);
    locale_t locale = UnicodeLocale();
    for (wchar_t& c : folded)
        c = locale ? static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), locale)) : FoldByHand(c);
    return folded;
}

std::vector<std::wstring> MachineKeyPath(std::wstring_view path, bool slashSeparates) {
    auto components = SplitKeyPath(path, slashSeparates);
    if (!components.empty()) {
        std::wstring first = FoldName(components.front());
        if (first == L"hklm" || first == L"hkey_local_machine") components.erase(components.begin());
    }
    return components;
}

}  // namespace platform::registry
