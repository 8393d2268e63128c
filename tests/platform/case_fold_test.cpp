// The one case fold: Unicode simple folding from the built-in table, whatever the locale.
#include <gtest/gtest.h>

#include <cwctype>
#include <locale.h>

#include "platform/text/case_fold.h"

namespace {

using platform::FoldCase;

TEST(CaseFold, LettersOfEveryScriptFoldAndOthersStay) {
    EXPECT_EQ(FoldCase(L"PERIOD @[`{ ÉÀÞ ×÷"), L"period @[`{ éàþ ×÷");
    EXPECT_EQ(FoldCase(L"ΣΟΦΙΑΣ σοφιας ĀāĹĺŸ"), L"σοφιασ σοφιασ āāĺĺÿ");  // final sigma; pairs of both parities
    EXPECT_EQ(FoldCase(L"µſKẞß İı ꭰᎠ"), L"μskßß İı ᎠᎠ");  // Turkic i's stay apart; Cherokee folds up
    EXPECT_EQ(FoldCase(L"\U00010400\U0001E900"), L"\U00010428\U0001E922");
    EXPECT_EQ(FoldCase(wchar_t(-1)), wchar_t(-1));
}

// A letter, its lower case and its upper case (the C library's Unicode mappings) fold alike.
TEST(CaseFold, AgreesWithTheCLibraryUnicodeMappings) {
    locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    if (!unicode) GTEST_SKIP() << "no C.UTF-8 locale here";
    for (wchar_t c = 0; c < 0x110000; ++c) {
        if (c == L'İ' || c == L'ı' || (c >= 0xD800 && c <= 0xDFFF)) continue;
        const auto lower = static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), unicode));
        const auto upper = static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), unicode));
        ASSERT_EQ(FoldCase(c), FoldCase(lower)) << std::hex << int(c);
        ASSERT_EQ(FoldCase(c), FoldCase(upper)) << std::hex << int(c);
    }
    freelocale(unicode);
}

}  // namespace
