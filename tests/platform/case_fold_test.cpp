// The one case fold: Unicode simple folding from the built-in table, whatever the locale.
#include <gtest/gtest.h>

#include <cwctype>
#include <locale.h>

#include "platform/text/case_fold.h"

namespace {

using platform::FoldCase;

TEST(CaseFold, LettersOfEveryScriptFoldAndOthersStay) {
    EXPECT_EQ(FoldCase(L"Scan PERIOD @[`{"), L"scan period @[`{");
    EXPECT_EQ(FoldCase(L"ÉCOLE ×÷ ÀÞ"), L"école ×÷ àþ");
    EXPECT_EQ(FoldCase(L"ΣΟΦΙΑΣ σοφιας"), L"σοφιασ σοφιασ");  // final sigma too
    EXPECT_EQ(FoldCase(L"ĀāĹĺŸ"), L"āāĺĺÿ");                  // neighbouring pairs, both parities
    EXPECT_EQ(FoldCase(L"µſK"), L"μsk");                        // micro, long s, Kelvin sign
    EXPECT_EQ(FoldCase(L"ẞß"), L"ßß");
    EXPECT_EQ(FoldCase(L"İı"), L"İı");  // Turkic i's fold to themselves, apart from I and i
    EXPECT_EQ(FoldCase(L"ꭰᎠ"), L"ᎠᎠ");  // Cherokee folds to its capitals
    EXPECT_EQ(FoldCase(L"\U00010400\U0001E900"), L"\U00010428\U0001E922");  // beyond U+FFFF
    EXPECT_EQ(FoldCase(wchar_t(-1)), wchar_t(-1));
    EXPECT_EQ(FoldCase(wchar_t(0x10FFFF)), wchar_t(0x10FFFF));
}

// The table agrees with the C library's Unicode case mappings wherever both apply: a letter,
// its lower case and its upper case all fold alike.
TEST(CaseFold, AgreesWithTheCLibraryUnicodeMappings) {
    locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!unicode) GTEST_SKIP() << "no C.UTF-8 locale here";
    for (wchar_t c = 0; c < 0x110000; ++c) {
        if (c == L'İ' || c == L'ı') continue;  // the Turkic pair: kept apart on purpose
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const auto lower = static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), unicode));
        const auto upper = static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), unicode));
        ASSERT_EQ(FoldCase(c), FoldCase(lower)) << std::hex << int(c);
        ASSERT_EQ(FoldCase(c), FoldCase(upper)) << std::hex << int(c);
    }
    freelocale(unicode);
}

}  // namespace
