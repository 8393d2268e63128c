#pragma once
// The one case-insensitive form of text: Unicode simple case folding (each character to one
// character), from a table built into the program. It is the same in every process whatever
// its locale, so it can be stored (the registry keeps folded names) and compared later.
// Examples: 'A' and 'a' give 'a', 'É' gives 'é', 'Σ', 'σ' and final 'ς' all give 'σ',
// 'µ' (micro sign) gives 'μ', 'ẞ' gives 'ß'; 'ß' itself and 'İ' stay as they are.
#include <string>
#include <string_view>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform {

wchar_t FoldCase(wchar_t c) noexcept;
std::wstring FoldCase(std::wstring_view text);

}  // namespace platform

#pragma GCC visibility pop
