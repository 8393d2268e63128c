#pragma once
// Pieces of the registry text form (see registry_text.h) that reading and writing share.
#include <string>
#include <string_view>

namespace nimbrel_reg {

// text in double quotes, UTF-8, with the escapes applied.
std::string Quote(std::wstring_view text);

// Reads a quoted string from the front of `in` and removes it from there; false when `in`
// does not start with a well-formed one.
bool Unquote(std::string_view& in, std::wstring* text);

}  // namespace nimbrel_reg
