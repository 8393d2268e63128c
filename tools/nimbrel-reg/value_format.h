#pragma once
// How nimbrel-reg shows values to people.
#include <string>

#include "platform/registry/registry_key.h"

namespace nimbrel_reg {

// The value alone, as `get` prints it: strings as text (one line per REG_MULTI_SZ string),
// numbers in decimal and hex, other data as hex bytes.
std::string ValueText(const platform::registry::RegValue& value);

// One line of `list`: name, type and value, strings quoted so that the line stays one line.
std::string ValueLine(const platform::registry::RegValue& value);

}  // namespace nimbrel_reg
