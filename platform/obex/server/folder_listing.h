#pragma once
// The "x-obex/folder-listing" object of a served folder: an XML document with a
// "folder-listing" root, "parent-folder" below the root, then a "folder" or "file" element per
// item with its name, size and modification time.
#include <string>

#include "platform/obex/server/served_folder.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

// At most this many items are listed; a larger folder is cut short.
inline constexpr std::size_t kMaxListedItems = 4096;

// The listing of the folder's current folder. Partial objects, items whose names are not
// valid UTF-8 or hold control characters, and links that lead outside the root are left out.
std::string FolderListing(const ServedFolder& folder);

}  // namespace obex

#pragma GCC visibility pop
