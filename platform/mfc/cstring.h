#pragma once
// CString: the engine's text string, a value type over std::wstring with the members of
// MFC's CString that the engine uses. Text is one wchar_t per character (UTF-32 on Linux);
// FromUtf8/ToUtf8, FromAnsi/ToAnsi (ISO-8859-1) and FromUtf16/ToUtf16 convert at the borders.
// There is deliberately no constructor from const char*, so narrow and wide text never mix
// silently. Indexes are int as in MFC code; an index outside the string never reaches memory
// outside it.
#include <array>
#include <compare>
#include <concepts>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <utility>

#include "platform/kernel/types.h"
#include "platform/mfc/cstring_format.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

class CString {
public:
    CString() = default;
    CString(const wchar_t* text);              // null reads as empty
    CString(const wchar_t* text, int length);  // the first `length` characters; null or negative: empty
    CString(std::wstring text) noexcept : m_str(std::move(text)) {}
    CString(std::wstring_view text) : m_str(text) {}
    explicit CString(wchar_t ch, int repeat = 1);

    // Invalid UTF-8 or UTF-16 never fails: each bad sequence becomes U+FFFD.
    static CString FromUtf8(std::string_view utf8);
    static CString FromUtf16(std::u16string_view utf16);
    // The 8-bit code page is ISO-8859-1: each byte is the character of the same value.
    static CString FromAnsi(std::string_view bytes);
    std::string ToUtf8() const;
    std::u16string ToUtf16() const;
    std::string ToAnsi() const;  // characters above U+00FF become '?'

    int GetLength() const noexcept { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const noexcept { return m_str.empty(); }
    void Empty() noexcept { m_str.clear(); }
    const wchar_t* GetString() const noexcept { return m_str.c_str(); }
    operator LPCWSTR() const noexcept { return m_str.c_str(); }
    const std::wstring& str() const noexcept { return m_str; }

    // Outside the string GetAt and [] give 0 and SetAt does nothing.
    wchar_t GetAt(int index) const noexcept { return CharAt(index); }
    // A template so that any integer index beats the built-in pointer subscript reached
    // through the LPCWSTR conversion.
    template <std::integral I>
    wchar_t operator[](I index) const noexcept {
        return CharAt(std::in_range<std::ptrdiff_t>(index) ? static_cast<std::ptrdiff_t>(index) : -1);
    }
    void SetAt(int index, wchar_t ch) noexcept;

    CString& operator=(const wchar_t* text);
    CString& operator=(wchar_t ch);
    CString& operator+=(const CString& text);
    CString& operator+=(const wchar_t* text);
    CString& operator+=(wchar_t ch);

    friend CString operator+(CString a, const CString& b) { return std::move(a += b); }
    friend CString operator+(CString a, const wchar_t* b) { return std::move(a += b); }
    friend CString operator+(CString a, wchar_t b) { return std::move(a += b); }
    friend CString operator+(const wchar_t* a, const CString& b) { return CString(a) + b; }
    friend CString operator+(wchar_t a, const CString& b) { return CString(a) + b; }

    // Exact comparisons by character value; with C++20 rewriting these also serve
    // L"x" == s, !=, <, <=, >, >=. A null pointer compares as the empty string.
    friend bool operator==(const CString& a, const CString& b) noexcept { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const wchar_t* b) noexcept { return a.m_str == View(b); }
    friend std::strong_ordering operator<=>(const CString& a, const CString& b) noexcept {
        return a.m_str.compare(b.m_str) <=> 0;
    }
    friend std::strong_ordering operator<=>(const CString& a, const wchar_t* b) noexcept {
        return a.m_str.compare(View(b)) <=> 0;
    }

    // Negative, zero or positive as in wcscmp. CompareNoCase compares the case folds of
    // platform/text/case_fold.h, the same for every locale.
    int Compare(const wchar_t* text) const noexcept;
    int CompareNoCase(const wchar_t* text) const noexcept;

    // Out-of-range positions and counts are clamped to the string, as MFC does.
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;

    // Position of the first match at or after `start`, or -1.
    int Find(wchar_t ch, int start = 0) const noexcept;
    int Find(const wchar_t* text, int start = 0) const noexcept;
    int FindOneOf(const wchar_t* chars) const noexcept;
    int ReverseFind(wchar_t ch) const noexcept;

    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();

    // Without an argument these remove white space.
    CString& Trim();
    CString& Trim(wchar_t target);
    CString& Trim(const wchar_t* targets);
    CString& TrimLeft();
    CString& TrimLeft(wchar_t target);
    CString& TrimLeft(const wchar_t* targets);
    CString& TrimRight();
    CString& TrimRight(wchar_t target);
    CString& TrimRight(const wchar_t* targets);

    // These return the number of replacements or removals.
    int Replace(wchar_t from, wchar_t to);
    int Replace(const wchar_t* from, const wchar_t* to);  // a null `to` removes `from`
    int Remove(wchar_t ch);
    // These return the new length.
    int Insert(int index, wchar_t ch);
    int Insert(int index, const wchar_t* text);
    int Delete(int index, int count = 1);

    // A writable buffer of at least `minLength` characters plus the terminator, holding the
    // current text. ReleaseBuffer sets the length: to the first zero when -1, otherwise to
    // `newLength` (never beyond the buffer).
    wchar_t* GetBuffer(int minLength = 0);
    wchar_t* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    // Printf-style formatting with type-checked arguments; see cstring_format.h.
    template <class... Args>
    void Format(const wchar_t* format, const Args&... args) {
        m_str = Render(format, args...);
    }
    template <class... Args>
    void AppendFormat(const wchar_t* format, const Args&... args) {
        m_str += Render(format, args...);  // rendered first: an argument may view this string
    }
    template <class... Args>
    static CString Formatted(const wchar_t* format, const Args&... args) {
        return CString(Render(format, args...));
    }

private:
    static std::wstring_view View(const wchar_t* text) noexcept { return text ? text : std::wstring_view(); }
    wchar_t CharAt(std::ptrdiff_t index) const noexcept;

    template <class... Args>
    static std::wstring Render(const wchar_t* format, const Args&... args) {
        const std::array<platform::format::FormatArg, sizeof...(Args)> captured{
            platform::format::MakeFormatArg(args)...};
        std::wstring out;
        platform::format::AppendFormatted(out, format, captured);
        return out;
    }

    std::wstring m_str;
};

// Streams write UTF-8 (narrow) or the wide text; without these a CString would print as
// the address its LPCWSTR conversion yields.
std::ostream& operator<<(std::ostream& out, const CString& text);
std::wostream& operator<<(std::wostream& out, const CString& text);

template <>
struct std::hash<CString> {
    std::size_t operator()(const CString& text) const noexcept { return std::hash<std::wstring>{}(text.str()); }
};

#pragma GCC visibility pop
