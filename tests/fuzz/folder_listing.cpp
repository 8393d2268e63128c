// A folder listing as a File Transfer server sends it (x-obex/folder-listing), read by the
// client's parser: any bytes, in any encoding the document claims.
#include <vector>

#include "engine/obex/folder_listing.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > fuzzsupport::kMaxInput) return 0;
    std::vector<ListingEntry> entries;
    ParseFolderListing(fuzzsupport::Text(data, size), &entries);
    return 0;
}
