#pragma once
// Printf-style formatting without C varargs. Each argument is first captured together with
// its type into a FormatArg; the directives of the format text are then applied to those
// values. The argument's own type decides how it is read: length modifiers in the text
// (h, l, ll, I64, ...) are accepted and ignored, and a directive that does not suit its
// argument prints something harmless instead of reading memory as the wrong type.
#include <algorithm>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform::format {

struct FormatArg {
    enum class Kind : std::uint8_t { Signed, Unsigned, Bool, Float, Pointer, Wide, Narrow };
    Kind kind = Kind::Signed;
    std::uint8_t bits = 0;    // width of an integer or pointer argument
    bool letter = false;      // a character type: %s shows the character rather than its code
    bool null = false;        // a null string pointer
    std::uint64_t value = 0;  // integer bits (sign-extended when Signed), 0/1, or an address
    double real = 0;
    std::wstring_view wide;
    std::string_view narrow;  // UTF-8
};

// Applies `format` to `args` and appends the result to `out`. A null format appends nothing.
void AppendFormatted(std::wstring& out, const wchar_t* format, std::span<const FormatArg> args);

namespace detail {

template <class C>
inline constexpr bool kIsLetter = std::is_same_v<C, char> || std::is_same_v<C, wchar_t> ||
                                  std::is_same_v<C, char8_t> || std::is_same_v<C, char16_t> ||
                                  std::is_same_v<C, char32_t>;

template <class C>
inline constexpr bool kIsNarrowChar = std::is_same_v<C, char> || std::is_same_v<C, char8_t>;

template <class T>
inline constexpr bool kUnsupported = false;

// Text objects that expose their std::wstring, such as CString.
template <class T>
concept HasWideStr = requires(const T& t) {
    { t.str() } -> std::convertible_to<std::wstring_view>;
};

// Plain assignments rather than designated initializers: g++ 12 warns about every member
// such an initializer leaves out.
inline FormatArg Scalar(FormatArg::Kind kind, std::size_t bytes, std::uint64_t value, bool letter = false) {
    FormatArg arg;
    arg.kind = kind;
    arg.bits = static_cast<std::uint8_t>(bytes * 8);
    arg.letter = letter;
    arg.value = value;
    return arg;
}

inline FormatArg WideText(std::wstring_view text, bool null = false) {
    FormatArg arg = Scalar(FormatArg::Kind::Wide, sizeof(void*), reinterpret_cast<std::uintptr_t>(text.data()));
    arg.null = null;
    arg.wide = text;
    return arg;
}

inline FormatArg NarrowText(std::string_view text, bool null = false) {
    FormatArg arg = Scalar(FormatArg::Kind::Narrow, sizeof(void*), reinterpret_cast<std::uintptr_t>(text.data()));
    arg.null = null;
    arg.narrow = text;
    return arg;
}

template <class C>
std::string_view AsChars(const C* text, std::size_t length) {
    return {reinterpret_cast<const char*>(text), length};
}

}  // namespace detail

template <class T>
FormatArg MakeFormatArg(const T& v) {
    using U = std::remove_cv_t<T>;
    using Kind = FormatArg::Kind;
    if constexpr (std::is_same_v<U, bool>) {
        return detail::Scalar(Kind::Bool, 1, v ? 1 : 0);
    } else if constexpr (std::is_integral_v<U>) {
        if constexpr (std::is_signed_v<U>)
            return detail::Scalar(Kind::Signed, sizeof(U), static_cast<std::uint64_t>(static_cast<std::int64_t>(v)),
                                  detail::kIsLetter<U>);
        else
            return detail::Scalar(Kind::Unsigned, sizeof(U), v, detail::kIsLetter<U>);
    } else if constexpr (std::is_enum_v<U>) {
        return MakeFormatArg(static_cast<std::underlying_type_t<U>>(v));
    } else if constexpr (std::is_floating_point_v<U>) {
        FormatArg arg = detail::Scalar(Kind::Float, sizeof(double), 0);
        arg.real = static_cast<double>(v);
        return arg;
    } else if constexpr (std::is_array_v<U>) {
        // A character array is read up to its first zero but never past its end.
        using E = std::remove_cv_t<std::remove_extent_t<U>>;
        if constexpr (std::is_same_v<E, wchar_t> || detail::kIsNarrowChar<E>) {
            const auto* end = std::find(std::begin(v), std::end(v), E{});
            const auto length = static_cast<std::size_t>(end - std::begin(v));
            if constexpr (std::is_same_v<E, wchar_t>)
                return detail::WideText(std::wstring_view(v, length));
            else
                return detail::NarrowText(detail::AsChars(v, length));
        } else {
            return MakeFormatArg(static_cast<const E*>(v));
        }
    } else if constexpr (std::is_pointer_v<U>) {
        using E = std::remove_cv_t<std::remove_pointer_t<U>>;
        if constexpr (std::is_same_v<E, wchar_t>)
            return v ? detail::WideText(v) : detail::WideText({}, true);
        else if constexpr (detail::kIsNarrowChar<E>)
            return v ? detail::NarrowText(detail::AsChars(v, std::char_traits<E>::length(v)))
                     : detail::NarrowText({}, true);
        else
            return detail::Scalar(Kind::Pointer, sizeof(void*), reinterpret_cast<std::uintptr_t>(v));
    } else if constexpr (std::is_null_pointer_v<U>) {
        return detail::Scalar(Kind::Pointer, sizeof(void*), 0);
    } else if constexpr (detail::HasWideStr<U>) {
        return detail::WideText(v.str());
    } else if constexpr (std::is_convertible_v<const U&, std::wstring_view>) {
        return detail::WideText(v);
    } else if constexpr (std::is_convertible_v<const U&, std::string_view>) {
        return detail::NarrowText(v);
    } else if constexpr (std::is_convertible_v<const U&, std::u8string_view>) {
        const std::u8string_view text = v;
        return detail::NarrowText(detail::AsChars(text.data(), text.size()));
    } else {
        static_assert(detail::kUnsupported<U>, "this argument type cannot be formatted");
        return {};
    }
}

}  // namespace platform::format

#pragma GCC visibility pop
