#pragma once
// Text placed in an XML attribute value or element.
#include <string>
#include <string_view>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform {

// "&amp;", "&lt;", "&gt;", "&quot;", "&apos;" in place of the characters they stand for.
std::string XmlEscape(std::string_view text);

}  // namespace platform

#pragma GCC visibility pop
