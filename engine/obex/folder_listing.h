#pragma once
// The folder listing a File Transfer server sends (x-obex/folder-listing): its folders and
// files in document order. The text is untrusted: it is bounded by the caller, parsed without
// any document type or entity expansion, and its names are only data.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/frame/export.h"

struct ListingEntry {
    bool folder = false;
    std::wstring name;
    std::uint32_t size = 0;  // the leading digits of "size"; 0 when absent
};

// The text as received: the encoding its declaration names (UTF-8 in any letter case; any
// other in the default code page); without one, UTF-8 when the bytes are valid UTF-8, else the
// default code page. False when it is no folder listing.
NIMBREL_API bool ParseFolderListing(std::string_view bytes, std::vector<ListingEntry>* entries);
