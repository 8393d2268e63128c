#include "platform/mfc/cstring_format.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "platform/text/utf.h"

namespace platform::format {
namespace {

using Kind = FormatArg::Kind;

// Widths and precisions, whether written in the text or passed through '*', are capped so
// that a wild value cannot ask for gigabytes of padding.
constexpr int kMaxWidth = 1 << 16;

struct Directive {
    bool left = false;   // '-'
    bool plus = false;   // '+'
    bool space = false;  // ' '
    bool alt = false;    // '#'
    bool zero = false;   // '0'
    int width = 0;
    int precision = -1;  // -1: none given
    wchar_t conversion = 0;
};

bool IsText(const FormatArg& arg) { return arg.kind == Kind::Wide || arg.kind == Kind::Narrow; }

std::uint64_t Mask(int bits) { return bits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << bits) - 1; }

std::int64_t Truncate(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 0x1p63) return std::numeric_limits<std::int64_t>::max();
    if (d <= -0x1p63) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(d);
}

// The value as %d reads it. An unsigned argument of 32 or 64 bits is reinterpreted as
// signed at its own width; narrower ones keep their value, as C's promotion to int does.
std::int64_t AsSigned(const FormatArg& arg) {
    if (arg.kind == Kind::Float) return Truncate(arg.real);
    if (arg.kind == Kind::Unsigned && arg.bits == 32)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(arg.value));
    return static_cast<std::int64_t>(arg.value);
}

// The value as %u/%x/%o read it: a signed argument gives its two's complement at its own width.
std::uint64_t AsUnsigned(const FormatArg& arg) {
    switch (arg.kind) {
    case Kind::Signed:
        return arg.value & Mask(arg.bits);
    case Kind::Float:
        return static_cast<std::uint64_t>(Truncate(arg.real));
    default:
        return arg.value;
    }
}

double AsDouble(const FormatArg& arg) {
    switch (arg.kind) {
    case Kind::Float:
        return arg.real;
    case Kind::Signed:
        return static_cast<double>(static_cast<std::int64_t>(arg.value));
    default:
        return static_cast<double>(arg.value);
    }
}

int Clamp(std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, -kMaxWidth, kMaxWidth)); }

void PutPadded(std::wstring& out, std::wstring_view body, const Directive& d) {
    const std::size_t fill = d.width > static_cast<int>(body.size()) ? d.width - body.size() : 0;
    if (!d.left) out.append(fill, L' ');
    out += body;
    if (d.left) out.append(fill, L' ');
}

void PutString(std::wstring& out, std::wstring_view text, const Directive& d, int precision) {
    if (precision >= 0 && text.size() > static_cast<std::size_t>(precision)) text = text.substr(0, precision);
    PutPadded(out, text, d);
}

std::wstring Digits(std::uint64_t magnitude, int base, bool upper) {
    const wchar_t* symbols = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    std::wstring digits;
    do {
        digits.insert(digits.begin(), symbols[magnitude % base]);
        magnitude /= base;
    } while (magnitude);
    return digits;
}

void PutInteger(std::wstring& out, bool negative, std::uint64_t magnitude, const Directive& d) {
    const wchar_t c = d.conversion;
    const bool isSigned = c == L'd' || c == L'i';
    const int base = (c == L'x' || c == L'X') ? 16 : c == L'o' ? 8 : 10;
    std::wstring digits;
    if (d.precision != 0 || magnitude != 0) digits = Digits(magnitude, base, c == L'X');
    if (d.precision > static_cast<int>(digits.size())) digits.insert(0, d.precision - digits.size(), L'0');
    if (d.alt && base == 8 && (digits.empty() || digits[0] != L'0')) digits.insert(0, 1, L'0');

    std::wstring prefix;
    if (negative)
        prefix = L"-";
    else if (isSigned && d.plus)
        prefix = L"+";
    else if (isSigned && d.space)
        prefix = L" ";
    if (d.alt && base == 16 && magnitude != 0) prefix += c == L'X' ? L"0X" : L"0x";

    const int length = static_cast<int>(prefix.size() + digits.size());
    if (d.zero && !d.left && d.precision < 0 && d.width > length) digits.insert(0, d.width - length, L'0');
    PutPadded(out, prefix + digits, d);
}

void PutPointer(std::wstring& out, std::uint64_t address, const Directive& d) {
    std::wstring digits = Digits(address, 16, true);
    digits.insert(0, sizeof(void*) * 2 - std::min(digits.size(), sizeof(void*) * 2), L'0');
    PutPadded(out, digits, d);
}

void PutFloat(std::wstring& out, double value, const Directive& d) {
    // Only a double and a format built here reach snprintf.
    std::string printfFormat = "%";
    if (d.left) printfFormat += '-';
    if (d.plus) printfFormat += '+';
    if (d.space) printfFormat += ' ';
    if (d.alt) printfFormat += '#';
    if (d.zero) printfFormat += '0';
    if (d.width > 0) printfFormat += std::to_string(d.width);
    if (d.precision >= 0) printfFormat += '.' + std::to_string(d.precision);
    printfFormat += static_cast<char>(d.conversion);
    char small[64];
    const int length = std::snprintf(small, sizeof small, printfFormat.c_str(), value);
    if (length < 0) return;
    std::string text;
    if (static_cast<std::size_t>(length) < sizeof small) {
        text.assign(small, length);
    } else {
        text.resize(length + 1);
        std::snprintf(text.data(), text.size(), printfFormat.c_str(), value);
        text.resize(length);
    }
    out.append(text.begin(), text.end());
}

// The character an integer stands for under %c; empty for zero or a value that is not one.
std::wstring CharacterOf(const FormatArg& arg) {
    const std::uint64_t code = AsUnsigned(arg);
    if (code == 0) return {};
    return std::wstring(1, code <= 0x10FFFF && IsUnicodeScalar(static_cast<char32_t>(code))
                               ? static_cast<wchar_t>(code)
                               : kReplacementChar);
}

// How %s shows an argument of any kind.
void PutAsText(std::wstring& out, const FormatArg& arg, const Directive& d, int precision) {
    static constexpr std::wstring_view kNull = L"(null)";
    switch (arg.kind) {
    case Kind::Wide:
        return PutString(out, arg.null ? kNull : arg.wide, d, precision);
    case Kind::Narrow:
        return PutString(out, arg.null ? std::wstring(kNull) : WideFromUtf8(arg.narrow), d, precision);
    case Kind::Bool:
        return PutString(out, arg.value ? L"true" : L"false", d, precision);
    case Kind::Pointer:
        if (arg.value == 0) return PutString(out, kNull, d, precision);
        return PutPointer(out, arg.value, d);
    case Kind::Float: {
        std::wstring text;
        Directive general;
        general.conversion = L'g';
        PutFloat(text, arg.real, general);
        return PutString(out, text, d, precision);
    }
    default: {
        if (arg.letter) return PutString(out, CharacterOf(arg), d, precision);
        const bool negative = arg.kind == Kind::Signed && AsSigned(arg) < 0;
        const std::uint64_t magnitude = negative ? 0 - arg.value : arg.value;
        return PutString(out, (negative ? L"-" : L"") + Digits(magnitude, 10, false), d, precision);
    }
    }
}

void Put(std::wstring& out, const FormatArg& arg, const Directive& d) {
    const wchar_t c = d.conversion;
    if (c == L's' || c == L'S') return PutAsText(out, arg, d, d.precision);
    if (c == L'p') return PutPointer(out, IsText(arg) ? arg.value : AsUnsigned(arg), d);
    if (IsText(arg)) return PutAsText(out, arg, d, -1);  // text under a numeric directive
    switch (c) {
    case L'd':
    case L'i': {
        const std::int64_t v = AsSigned(arg);
        return PutInteger(out, v < 0, v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v), d);
    }
    case L'u':
    case L'o':
    case L'x':
    case L'X':
        return PutInteger(out, false, AsUnsigned(arg), d);
    case L'c':
    case L'C':
        return PutPadded(out, CharacterOf(arg), d);
    default:
        return PutFloat(out, AsDouble(arg), d);
    }
}

bool IsConversion(wchar_t c) {
    return c && std::wstring_view(L"diuoxXcCsSpeEfFgGaAn").find(c) != std::wstring_view::npos;
}

int ReadNumber(const wchar_t*& p) {
    int n = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) n = std::min(n * 10 + (*p - L'0'), kMaxWidth);
    return n;
}

void SkipLengthModifiers(const wchar_t*& p) {
    for (;;) {
        if (*p && std::wstring_view(L"hlLqjztw").find(*p) != std::wstring_view::npos) {
            ++p;
        } else if (*p == L'I') {
            ++p;
            if ((p[0] == L'6' && p[1] == L'4') || (p[0] == L'3' && p[1] == L'2')) p += 2;
        } else {
            return;
        }
    }
}

}  // namespace

void AppendFormatted(std::wstring& out, const wchar_t* format, std::span<const FormatArg> args) {
    if (!format) return;
    std::size_t next = 0;
    auto take = [&]() -> const FormatArg* { return next < args.size() ? &args[next++] : nullptr; };

    const wchar_t* p = format;
    while (*p) {
        const wchar_t* percent = p;
        while (*percent && *percent != L'%') ++percent;
        out.append(p, percent);
        if (!*percent) break;
        const wchar_t* start = percent;
        p = percent + 1;

        Directive d;
        for (;; ++p) {
            if (*p == L'-') d.left = true;
            else if (*p == L'+') d.plus = true;
            else if (*p == L' ') d.space = true;
            else if (*p == L'#') d.alt = true;
            else if (*p == L'0') d.zero = true;
            else break;
        }
        // A '*' takes its value from the next argument; a text argument there is ignored. If
        // the arguments run out, so do those of the conversion, which then prints nothing.
        if (*p == L'*') {
            ++p;
            if (const FormatArg* w = take(); w && !IsText(*w)) {
                const int width = Clamp(AsSigned(*w));
                d.left = d.left || width < 0;
                d.width = width < 0 ? -width : width;
            }
        } else {
            d.width = ReadNumber(p);
        }
        if (*p == L'.') {
            ++p;
            if (*p == L'*') {
                ++p;
                const FormatArg* a = take();
                d.precision = a && !IsText(*a) ? std::max(Clamp(AsSigned(*a)), -1) : -1;  // negative: none
            } else {
                d.precision = ReadNumber(p);
            }
        }
        SkipLengthModifiers(p);

        d.conversion = *p;
        if (d.conversion == L'%') {
            out += L'%';
            ++p;
            continue;
        }
        if (!IsConversion(d.conversion)) {  // not a directive after all: keep the text as written
            if (*p) ++p;
            out.append(start, p);
            continue;
        }
        ++p;
        const FormatArg* arg = take();
        if (!arg || d.conversion == L'n') continue;
        Put(out, *arg, d);
    }
}

}  // namespace platform::format
