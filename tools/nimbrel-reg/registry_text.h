#pragma once
// nimbrel-reg's text form of keys and values under HKEY_LOCAL_MACHINE, for people to read,
// edit and load back:
//
//   [software\Trevanix\Nimbrel]             a key, created on import ([-path] deletes one)
//   "Scan Period"=dword:00000005            REG_DWORD of 4 bytes
//   @="Phone"                               REG_SZ; @ names the default value
//   "pin0012ab34cd56"=hex:31,32,33,34       REG_BINARY
//   "Path"=expand:"%HOME%\\data"            REG_EXPAND_SZ
//   "Names"=multi:"one","two"               REG_MULTI_SZ
//   "Address"=hex(4):78,56,34,12,00,00,00,00   any type by its number, with the stored bytes
//   "Old"=-                                 deletes the value on import
//   ; a comment
//
// Key paths are relative to HKEY_LOCAL_MACHINE (the root itself is [HKEY_LOCAL_MACHINE]).
// Quoted text is UTF-8 with \\, \", \n, \r, \t and \xHH (other control characters) escaped.
// Strings whose stored bytes are not exactly text plus terminator(s) are written as hex(N).
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/registry/registry_key.h"

namespace nimbrel_reg {

// Bytes as two lower-case hexadecimal digits each, joined by `separator`.
std::string HexBytes(const std::vector<BYTE>& data, char separator);

// Writes the key at path (components below HKEY_LOCAL_MACHINE) and every key under it.
// ERROR_INVALID_NAME when a key's name has a line break or other control character.
LONG ExportText(const std::vector<std::wstring>& path, std::ostream& out);

struct TextChange {
    enum class Kind { CreateKey, DeleteKey, SetValue, DeleteValue };
    Kind kind = Kind::CreateKey;
    std::vector<std::wstring> key;
    platform::registry::RegValue value;  // SetValue: the value; DeleteValue: its name
};

struct TextError {
    int line = 0;
    std::string message;
};

// Reads the whole text; false, with the line and what is wrong there, when any line does not
// parse. Nothing is written either way.
bool ParseText(std::istream& in, std::vector<TextChange>* changes, TextError* error);

// Makes the changes in order; deleting what does not exist is not an error.
LONG ApplyText(const std::vector<TextChange>& changes);

}  // namespace nimbrel_reg
