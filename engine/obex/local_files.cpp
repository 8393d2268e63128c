#include "engine/obex/local_files.h"

#include <string>

CString ObjectNameOf(const CString& path) {
    const std::wstring& text = path.str();
    const auto last = text.find_last_of(L"\\/");
    return last == std::wstring::npos ? path : CString(text.substr(last + 1).c_str());
}

CString LocalPathIn(const CString& folder, const CString& name) {
    const std::wstring& text = folder.str();
    const wchar_t separator = !text.empty() && text.front() == L'/' ? L'/' : L'\\';
    if (!text.empty() && (text.back() == L'\\' || text.back() == L'/')) return folder + name;
    return folder + CString(std::wstring(1, separator).c_str()) + name;
}

bool IsPlainFileName(const CString& name) {
    const std::wstring& text = name.str();
    if (text.empty() || text == L"." || text == L"..") return false;
    for (wchar_t c : text)
        if (c < 0x20 || c == 0x7F || c == L'\\' || c == L'/') return false;
    return true;
}
