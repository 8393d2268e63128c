#pragma once
// The "x-obex/folder-listing" object of a served folder: an XML document with a
// "folder-listing" root, "parent-folder" below the root, then a "folder" or "file" element per
// item with its name, size and modification time.
#include <string>

#include "sim/obex/served_folder.h"

namespace sim {

// At most this many items are listed; a larger folder is cut short.
inline constexpr std::size_t kMaxListedItems = 4096;

// The listing of the folder's current folder. Partial objects, items whose names are not
// valid UTF-8 or hold control characters, and links that lead outside the root are left out.
std::string FolderListing(const ServedFolder& folder);

// "&amp;", "&lt;", "&gt;", "&quot;", "&apos;" in place of the characters they stand for.
std::string XmlEscape(const std::string& text);

}  // namespace sim
