#include "platform/registry/registry_names.h"

#include "platform/text/case_fold.h"

namespace platform::registry {
namespace {

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

std::vector<std::wstring> MachineKeyPath(std::wstring_view path, bool slashSeparates) {
    auto components = SplitKeyPath(path, slashSeparates);
    if (!components.empty()) {
        std::wstring first = FoldCase(components.front());
        if (first == L"hklm" || first == L"hkey_local_machine") components.erase(components.begin());
    }
    return components;
}

}  // namespace platform::registry
