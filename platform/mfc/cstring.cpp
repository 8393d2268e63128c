#include "platform/mfc/cstring.h"

#include <algorithm>
#include <limits>
#include <ostream>

#include "platform/text/case_fold.h"
#include "platform/text/utf.h"

namespace {

// Latin Extended-A letters come in capital/small pairs of neighbouring code points.
// +1: `c` is a capital, -1: a small letter, 0: not paired.
int LatinExtendedAPair(wchar_t c) {
    bool capitalEven;
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177))
        capitalEven = true;
    else if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        capitalEven = false;
    else
        return 0;
    return ((c % 2 == 0) == capitalEven) ? 1 : -1;
}

// Simple one-to-one case mapping for Latin, Greek and Cyrillic, independent of the C locale.
wchar_t ToUpper(wchar_t c) {
    if (c >= L'a' && c <= L'z') return c - 0x20;
    if (c < 0xE0) return c;
    if (c <= 0xFE) return c == 0xF7 ? c : c - 0x20;
    if (c == 0xFF) return 0x178;
    if (LatinExtendedAPair(c) < 0) return c - 1;
    if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : c - 0x20;  // final sigma
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    return c;
}

wchar_t ToLower(wchar_t c) {
    if (c >= L'A' && c <= L'Z') return c + 0x20;
    if (c < 0xC0) return c;
    if (c <= 0xDE) return c == 0xD7 ? c : c + 0x20;
    if (c == 0x178) return 0xFF;
    if (LatinExtendedAPair(c) > 0) return c + 1;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 0x20;
    if (c >= 0x410 && c <= 0x42F) return c + 0x20;
    if (c >= 0x400 && c <= 0x40F) return c + 0x50;
    return c;
}

bool IsSpace(wchar_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == L' ' || c == 0x85 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x205F || c == 0x3000;
}

int Sign(int v) { return (v > 0) - (v < 0); }

int ToIndex(std::size_t position) {
    return position == std::wstring::npos ? -1 : static_cast<int>(position);
}

template <class Drop>
void TrimEnds(std::wstring& s, bool left, bool right, Drop drop) {
    if (right) {
        while (!s.empty() && drop(s.back())) s.pop_back();
    }
    if (left) s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), drop));
}

}  // namespace

CString::CString(const wchar_t* text) : m_str(View(text)) {}

CString::CString(const wchar_t* text, int length) {
    if (text && length > 0) m_str.assign(text, length);
}

CString::CString(wchar_t ch, int repeat) : m_str(std::max(repeat, 0), ch) {}

CString CString::FromUtf8(std::string_view utf8) { return platform::WideFromUtf8(utf8); }
CString CString::FromUtf16(std::u16string_view utf16) { return platform::WideFromUtf16(utf16); }
CString CString::FromAnsi(std::string_view bytes) { return platform::WideFromLatin1(bytes); }
std::string CString::ToUtf8() const { return platform::Utf8FromWide(m_str); }
std::u16string CString::ToUtf16() const { return platform::Utf16FromWide(m_str); }
std::string CString::ToAnsi() const { return platform::Latin1FromWide(m_str); }

wchar_t CString::CharAt(std::ptrdiff_t index) const noexcept {
    return index >= 0 && index < static_cast<std::ptrdiff_t>(m_str.size()) ? m_str[index] : L'\0';
}

void CString::SetAt(int index, wchar_t ch) noexcept {
    if (index >= 0 && index < GetLength()) m_str[index] = ch;
}

CString& CString::operator=(const wchar_t* text) {
    m_str = View(text);
    return *this;
}

CString& CString::operator=(wchar_t ch) {
    m_str.assign(1, ch);
    return *this;
}

CString& CString::operator+=(const CString& text) {
    m_str += text.m_str;
    return *this;
}

CString& CString::operator+=(const wchar_t* text) {
    m_str += View(text);
    return *this;
}

CString& CString::operator+=(wchar_t ch) {
    m_str += ch;
    return *this;
}

int CString::Compare(const wchar_t* text) const noexcept { return Sign(m_str.compare(View(text))); }

int CString::CompareNoCase(const wchar_t* text) const noexcept {
    const std::wstring_view other = View(text);
    const std::size_t common = std::min(m_str.size(), other.size());
    for (std::size_t i = 0; i < common; ++i) {
        const wchar_t a = platform::FoldCase(m_str[i]), b = platform::FoldCase(other[i]);
        if (a != b) return a < b ? -1 : 1;
    }
    return m_str.size() == other.size() ? 0 : m_str.size() < other.size() ? -1 : 1;
}

CString CString::Mid(int first) const { return Mid(first, std::numeric_limits<int>::max()); }

CString CString::Mid(int first, int count) const {
    first = std::max(first, 0);
    if (first >= GetLength() || count <= 0) return {};
    return CString(m_str.substr(first, std::min(count, GetLength() - first)));
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const {
    count = std::clamp(count, 0, GetLength());
    return CString(m_str.substr(m_str.size() - count));
}

int CString::Find(wchar_t ch, int start) const noexcept { return ToIndex(m_str.find(ch, std::max(start, 0))); }

int CString::Find(const wchar_t* text, int start) const noexcept {
    return text ? ToIndex(m_str.find(text, std::max(start, 0))) : -1;
}

int CString::FindOneOf(const wchar_t* chars) const noexcept {
    return ToIndex(m_str.find_first_of(View(chars)));
}

int CString::ReverseFind(wchar_t ch) const noexcept { return ToIndex(m_str.rfind(ch)); }

CString& CString::MakeUpper() {
    std::transform(m_str.begin(), m_str.end(), m_str.begin(), ToUpper);
    return *this;
}

CString& CString::MakeLower() {
    std::transform(m_str.begin(), m_str.end(), m_str.begin(), ToLower);
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(m_str.begin(), m_str.end());
    return *this;
}

CString& CString::Trim() { return TrimLeft().TrimRight(); }
CString& CString::Trim(wchar_t target) { return TrimLeft(target).TrimRight(target); }
CString& CString::Trim(const wchar_t* targets) { return TrimLeft(targets).TrimRight(targets); }

CString& CString::TrimLeft() {
    TrimEnds(m_str, true, false, IsSpace);
    return *this;
}

CString& CString::TrimLeft(wchar_t target) {
    TrimEnds(m_str, true, false, [target](wchar_t c) { return c == target; });
    return *this;
}

CString& CString::TrimLeft(const wchar_t* targets) {
    TrimEnds(m_str, true, false, [set = View(targets)](wchar_t c) { return set.find(c) != set.npos; });
    return *this;
}

CString& CString::TrimRight() {
    TrimEnds(m_str, false, true, IsSpace);
    return *this;
}

CString& CString::TrimRight(wchar_t target) {
    TrimEnds(m_str, false, true, [target](wchar_t c) { return c == target; });
    return *this;
}

CString& CString::TrimRight(const wchar_t* targets) {
    TrimEnds(m_str, false, true, [set = View(targets)](wchar_t c) { return set.find(c) != set.npos; });
    return *this;
}

int CString::Replace(wchar_t from, wchar_t to) {
    if (from == to) return 0;
    int count = 0;
    for (wchar_t& c : m_str) {
        if (c == from) {
            c = to;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const wchar_t* from, const wchar_t* to) {
    const std::wstring_view pattern = View(from), replacement = View(to);
    if (pattern.empty()) return 0;
    std::wstring result;
    int count = 0;
    std::size_t done = 0;
    for (std::size_t at = m_str.find(pattern); at != std::wstring::npos; at = m_str.find(pattern, done)) {
        result.append(m_str, done, at - done);
        result += replacement;
        done = at + pattern.size();
        ++count;
    }
    if (count) {
        result.append(m_str, done);
        m_str = std::move(result);
    }
    return count;
}

int CString::Remove(wchar_t ch) { return static_cast<int>(std::erase(m_str, ch)); }

int CString::Insert(int index, wchar_t ch) { return Insert(index, std::wstring(1, ch).c_str()); }

int CString::Insert(int index, const wchar_t* text) {
    m_str.insert(std::clamp(index, 0, GetLength()), View(text));
    return GetLength();
}

int CString::Delete(int index, int count) {
    index = std::max(index, 0);
    if (index < GetLength() && count > 0) m_str.erase(index, count);
    return GetLength();
}

wchar_t* CString::GetBuffer(int minLength) {
    if (minLength > GetLength()) m_str.resize(minLength);
    return m_str.data();
}

wchar_t* CString::GetBufferSetLength(int length) {
    m_str.resize(std::max(length, 0));
    return m_str.data();
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) newLength = ToIndex(m_str.find(L'\0'));
    if (newLength >= 0 && newLength < GetLength()) m_str.resize(newLength);
}

std::ostream& operator<<(std::ostream& out, const CString& text) { return out << text.ToUtf8(); }

std::wostream& operator<<(std::wostream& out, const CString& text) { return out << text.str(); }
