#include "platform/mfc/cstring.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cwchar>
#include <string>

namespace {

TEST(CStringFormat, MessagesOfTheDeviceManager) {
    const BT_ADDR addr = 0x0012AB34CD56;
    EXPECT_EQ(CString::Formatted(L"%04x%08x_Paired", static_cast<unsigned>(addr >> 32), static_cast<unsigned>(addr)),
              L"0012ab34cd56_Paired");
    EXPECT_EQ(
        CString::Formatted(L"%s%04X%08X", CString(L"BTH_"), static_cast<WORD>(addr >> 32), static_cast<DWORD>(addr)),
        L"BTH_0012AB34CD56");
    const DWORD code = 70109;
    EXPECT_EQ(CString::Formatted(L"Unknown error code 0x%08x (%d)", code, code & 0xFFFF),
              L"Unknown error code 0x000111dd (4573)");
    EXPECT_EQ(CString::Formatted(L"Service %s on %s disconnected!", CString(L"Serial Port"), CString(L"Korvo K610")),
              L"Service Serial Port on Korvo K610 disconnected!");
    EXPECT_EQ(CString::Formatted(L"COM%d:", 7), L"COM7:");
    EXPECT_EQ(CString::Formatted(L"%d%%", 42), L"42%");
    EXPECT_EQ(CString::Formatted(L"%-10s|", L"left"), L"left      |");
    EXPECT_EQ(CString::Formatted(L"%5.2f", 3.14159), L" 3.14");
    EXPECT_EQ(CString::Formatted(L"%c%c", L'A', 0x263A), L"A\u263A");
    EXPECT_EQ(CString::Formatted(L"%lu %ld", DWORD{4000000000u}, LONG{-5}), L"4000000000 -5");
    EXPECT_EQ(CString::Formatted(L"%I64x %llx", addr, std::uint64_t{addr}), L"12ab34cd56 12ab34cd56");
}

TEST(CStringFormat, IntegersReadAtTheirOwnWidth) {
    EXPECT_EQ(CString::Formatted(L"%x %X", -1, std::int64_t{-1}), L"ffffffff FFFFFFFFFFFFFFFF");
    EXPECT_EQ(CString::Formatted(L"%x %x", std::int16_t{-1}, static_cast<char>(-23)), L"ffff e9");
    EXPECT_EQ(CString::Formatted(L"%u %o", -1, 8), L"4294967295 10");
    EXPECT_EQ(CString::Formatted(L"%d %d", 0xFFFFFFFFu, UINT64_MAX), L"-1 -1");
    // Narrower unsigned values keep their value, as in C's promotion to int.
    EXPECT_EQ(CString::Formatted(L"%d %d", BYTE{200}, WORD{65535}), L"200 65535");
    EXPECT_EQ(CString::Formatted(L"%d %x", L'A', L'\u00e9'), L"65 e9");
}

TEST(CStringFormat, FlagsWidthAndPrecision) {
    EXPECT_EQ(CString::Formatted(L"%08x|%+d|% d|%05d|%-5d|", 0x111dd, 5, 5, -42, 7), L"000111dd|+5| 5|-0042|7    |");
    EXPECT_EQ(CString::Formatted(L"%.3d|%8.3d|%08.3d|%.0d|", 7, 7, 7, 0), L"007|     007|     007||");
    EXPECT_EQ(CString::Formatted(L"%#x %#X %#o %#x", 255, 255, 8, 0), L"0xff 0XFF 010 0");
    EXPECT_EQ(CString::Formatted(L"%*d|%-*d|%*d|", 5, 42, 4, 1, -4, 2), L"   42|1   |2   |");
    EXPECT_EQ(CString::Formatted(L"%.*s|%5s|%-5s|%.0s|", 3, L"abcdef", L"ab", L"ab", L"gone"), L"abc|   ab|ab   ||");
    EXPECT_EQ(CString::Formatted(L"%.2s", "h\xC3\xA9llo"), L"h\u00e9");  // precision counts characters
    EXPECT_EQ(CString::Formatted(L"%.1f %e %g %08.3f", 2, 12345.678, 0.5, -3.14159), L"2.0 1.234568e+04 0.5 -003.142");
    EXPECT_EQ(CString::Formatted(L"%3c|%-3c|", L'x', L'y'), L"  x|y  |");
    EXPECT_EQ(CString::Formatted(L"%p", reinterpret_cast<void*>(0xBEEF)),
              CString(L'0', sizeof(void*) * 2 - 4) + L"BEEF");
}

TEST(CStringFormat, MismatchedArgumentsPrintSomethingHarmless) {
    const wchar_t* noWide = nullptr;
    const char* noNarrow = nullptr;
    EXPECT_EQ(CString::Formatted(L"%s %S %s %s", 42, -42, noWide, noNarrow), L"42 -42 (null) (null)");
    EXPECT_EQ(CString::Formatted(L"%s %s %s %s", L'w', 2.5, true, nullptr), L"w 2.5 true (null)");
    EXPECT_EQ(CString::Formatted(L"%d|%x|%5c|", L"text", std::string("bytes"), CString(L"ab")), L"text|bytes|   ab|");
    EXPECT_EQ(CString::Formatted(L"%d|%x|%c", 2.9, -1.0, 66.0), L"2|ffffffffffffffff|B");
    EXPECT_EQ(CString::Formatted(L"a=%d b=%s c=%*d!", 1), L"a=1 b= c=!");
    EXPECT_EQ(CString::Formatted(L"only %d", 1, 2, L"three"), L"only 1");
    EXPECT_EQ(CString::Formatted(L"%y %5% %", 1), L"%y % %");
    EXPECT_EQ(CString::Formatted(L"%c|%c|%n%d", 0, -1, 5, 6), L"|\uFFFD|6");
    EXPECT_EQ(CString::Formatted(nullptr, 1), L"");
}

TEST(CStringFormat, TextArgumentsOfEveryKind) {
    wchar_t buffer[8] = L"ab\0cd";
    const char unterminated[3] = {'x', 'y', 'z'};
    EXPECT_EQ(CString::Formatted(L"%s|%s|%s|%s", buffer, unterminated, std::wstring(L"ws"), std::wstring_view(L"wv")),
              L"ab|xyz|ws|wv");
    EXPECT_EQ(CString::Formatted(L"%s|%s|%c", u8"\u00e9t\u00e9", "\xFFok", static_cast<char>(0xE9)),
              L"\u00e9t\u00e9|\uFFFDok|\u00e9");
}

TEST(CStringFormat, AppendFormatMayUseTheStringItself) {
    CString s(L"ab");
    s.AppendFormat(L"-%s-%d", s, 1);
    EXPECT_EQ(s, L"ab-ab-1");
    s.Format(L"[%s]", s);
    EXPECT_EQ(s, L"[ab-ab-1]");
}

TEST(CStringEncoding, Utf8RoundTripAndMalformedInput) {
    const std::string text = "Zo\xC3\xAB \xF0\x9F\x98\x80 \xE6\x97\xA5";
    const CString wide = CString::FromUtf8(text);
    EXPECT_EQ(wide, L"Zo\u00eb \U0001F600 \u65e5");
    EXPECT_EQ(wide.ToUtf8(), text);
    // Each maximal bad subsequence becomes one U+FFFD and the next byte is read afresh.
    EXPECT_EQ(CString::FromUtf8("a\xC3"), L"a\uFFFD");
    EXPECT_EQ(CString::FromUtf8("\xC0\xAF"), L"\uFFFD\uFFFD");                      // overlong
    EXPECT_EQ(CString::FromUtf8("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");            // surrogate
    EXPECT_EQ(CString::FromUtf8("\xF0\x9F\x98x"), L"\uFFFDx");                      // cut short
    EXPECT_EQ(CString::FromUtf8("\xF4\x90\x80\x80"), L"\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
    EXPECT_EQ(CString(std::wstring{wchar_t(0xD800), wchar_t(-1)}).ToUtf8(), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(CStringEncoding, AnsiIsLatin1) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const CString wide = CString::FromAnsi(all);
    ASSERT_EQ(wide.GetLength(), 256);
    EXPECT_EQ(wide[0xE9], L'\u00e9');
    EXPECT_EQ(wide.ToAnsi(), all);
    EXPECT_EQ(CString(L"\u00e9t\u00e9 \u20ac").ToAnsi(), "\xE9t\xE9 ?");
}

TEST(CStringEncoding, Utf16PairsAndLoneSurrogates) {
    const CString wide(L"a\U0001F600\u00e9");
    EXPECT_EQ(wide.ToUtf16(), u"a\xD83D\xDE00\u00e9");
    EXPECT_EQ(CString::FromUtf16(wide.ToUtf16()), wide);
    // Lone surrogates pass through both ways (the registry gives back what it was given);
    // UTF-8 cannot carry them, and nothing carries a value above U+10FFFF.
    const std::u16string lone = {0xD83D, u'x', 0xDE00, 0xD83D, 0xE000, 0xD83D};
    const CString passed(std::wstring{wchar_t(0xD83D), L'x', wchar_t(0xDE00), wchar_t(0xD83D), L'\uE000',
                                      wchar_t(0xD83D)});
    EXPECT_EQ(CString::FromUtf16(lone), passed);
    EXPECT_EQ(passed.ToUtf16(), lone);
    EXPECT_EQ(passed.ToUtf8(), "\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD\xEE\x80\x80\xEF\xBF\xBD");
    EXPECT_EQ(CString(std::wstring{wchar_t(0x110000), wchar_t(-1)}).ToUtf16(), u"\uFFFD\uFFFD");
}

TEST(CString, ComparisonsAreExactInEveryOperandOrder) {
    const CString abc(L"abc"), abd(L"abd");
    EXPECT_TRUE(abc == L"abc" && L"abc" == abc && abc == CString(L"abc") && abc == std::wstring(L"abc"));
    EXPECT_TRUE(abc != abd && L"abd" != abc && abc < abd && L"abb" < abc && abd > L"abc" && abc <= L"abc");
    EXPECT_TRUE(abc < L"abcd" && CString() == static_cast<const wchar_t*>(nullptr));
    EXPECT_NE(CString(L"a\0b", 3), L"a");  // the whole text counts, not the C string
    EXPECT_LT(abc.Compare(L"abd"), 0);
    EXPECT_GT(abc.Compare(nullptr), 0);
    EXPECT_EQ(CString(L"ÉTÉ ŁÓDŹ МИР").CompareNoCase(L"été łódź мир"), 0);
    EXPECT_LT(CString(L"apple").CompareNoCase(L"Banana"), 0);
    EXPECT_EQ(std::hash<CString>{}(abc), std::hash<CString>{}(CString(L"abc")));
}

TEST(CString, ConstructionIndexingAndConcatenation) {
    EXPECT_TRUE(CString(static_cast<const wchar_t*>(nullptr)).IsEmpty());
    EXPECT_EQ(CString(L"abcdef", 3), L"abc");
    EXPECT_TRUE(CString(L"abc", -1).IsEmpty());
    EXPECT_EQ(CString(L'-', 3), L"---");
    CString s(L"abc");
    EXPECT_EQ(s.GetAt(3), L'\0');
    EXPECT_EQ(s.GetAt(-1), L'\0');
    EXPECT_EQ(s[std::size_t{1}], L'b');
    EXPECT_EQ(s[std::ptrdiff_t{-5}], L'\0');
    s.SetAt(3, L'x');
    s.SetAt(0, L'A');
    EXPECT_EQ(s, L"Abc");
    EXPECT_EQ(L"<" + s + L'>' + CString(L"!") + L"?", L"<Abc>!?");
    EXPECT_EQ(std::wstring(static_cast<LPCWSTR>(s)), L"Abc");
}

TEST(CString, MidLeftRightClampLikeMfc) {
    const CString s(L"abcdef");
    EXPECT_EQ(s.Mid(2), L"cdef");
    EXPECT_EQ(s.Mid(2, 2), L"cd");
    EXPECT_EQ(s.Mid(-3, 2), L"ab");
    EXPECT_EQ(s.Mid(4, 100), L"ef");
    EXPECT_EQ(s.Mid(6), L"");
    EXPECT_EQ(s.Mid(9, 1), L"");
    EXPECT_EQ(s.Mid(1, -1), L"");
    EXPECT_EQ(s.Left(10), L"abcdef");
    EXPECT_EQ(s.Left(-1), L"");
    EXPECT_EQ(s.Right(2), L"ef");
    EXPECT_EQ(s.Right(10), L"abcdef");
    EXPECT_EQ(s.Right(-2), L"");
}

TEST(CString, SearchTrimAndEdit) {
    const CString path(L"\\Windows\\bt\\file.txt");
    EXPECT_EQ(path.Find(L'\\'), 0);
    EXPECT_EQ(path.Find(L'\\', 1), 8);
    EXPECT_EQ(path.Find(L"bt"), 9);
    EXPECT_EQ(path.Find(L"bt", 10), -1);
    EXPECT_EQ(path.Find(L'x', 100), -1);
    EXPECT_EQ(path.ReverseFind(L'\\'), 11);
    EXPECT_EQ(path.ReverseFind(L'?'), -1);
    EXPECT_EQ(path.FindOneOf(L".b"), 9);

    CString s(L" \t\u3000 padded \r\n");
    EXPECT_EQ(s.Trim(), L"padded");
    EXPECT_EQ(CString(L"xxhixx").TrimLeft(L'x'), L"hixx");
    EXPECT_EQ(CString(L"-+hi+-").TrimRight(L"+-"), L"-+hi");

    CString t(L"a.b.c");
    EXPECT_EQ(t.Replace(L'.', L'/'), 2);
    EXPECT_EQ(t.Replace(L"/", L"::"), 2);
    EXPECT_EQ(t, L"a::b::c");
    EXPECT_EQ(t.Replace(L"::", nullptr), 2);
    EXPECT_EQ(t.Replace(L"", L"x"), 0);
    EXPECT_EQ(t, L"abc");
    EXPECT_EQ(t.Insert(99, L'!'), 4);
    EXPECT_EQ(t.Insert(-5, L">"), 5);
    EXPECT_EQ(t.Delete(1, 100), 1);
    EXPECT_EQ(t, L">");
}

TEST(CString, CaseMappingCoversLatinGreekAndCyrillic) {
    CString s(L"łódź straße σοφιας привет ×÷ÿ");
    EXPECT_EQ(s.MakeUpper(), L"ŁÓDŹ STRAßE ΣΟΦΙΑΣ ПРИВЕТ ×÷Ÿ");
    EXPECT_EQ(s.MakeLower(), L"łódź straße σοφιασ привет ×÷ÿ");
}

TEST(CString, GetBufferAndReleaseBuffer) {
    CString s(L"keep");
    wchar_t* buffer = s.GetBuffer(16);
    EXPECT_EQ(std::wstring(buffer, 4), L"keep");
    buffer[4] = L'!';
    buffer[5] = L'\0';
    buffer[15] = L'z';
    s.ReleaseBuffer();
    EXPECT_EQ(s, L"keep!");
    s.GetBuffer(0)[0] = L'K';
    s.ReleaseBuffer(2);
    EXPECT_EQ(s, L"Ke");
    s.ReleaseBuffer(50);  // never beyond the buffer
    EXPECT_EQ(s, L"Ke");
    std::wcsncpy(s.GetBufferSetLength(3), L"xyz", 3);
    s.ReleaseBuffer();
    EXPECT_EQ(s, L"xyz");
}

}  // namespace
