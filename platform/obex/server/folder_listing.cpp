#include "platform/obex/server/folder_listing.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <vector>

#include "platform/mfc/cstring.h"
#include "platform/obex/server/received_file.h"
#include "platform/text/xml_escape.h"

namespace obex {
namespace fs = std::filesystem;
namespace {

struct Item {
    std::string name;
    bool folder = false;
    std::uintmax_t size = 0;
    std::string modified;
};

// "YYYYMMDDTHHMMSSZ", in UTC.
std::string ModifiedText(fs::file_time_type time) {
    const auto system = std::chrono::file_clock::to_sys(time);
    const std::time_t seconds = std::chrono::system_clock::to_time_t(system);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &utc);
    return text;
}

std::optional<Item> Describe(const ServedFolder& folder, const fs::directory_entry& entry) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(kReceivingPrefix, 0) == 0) return std::nullopt;
    // Names travel as UTF-8; one that does not survive the round trip could not be asked for.
    const CString decoded = CString::FromUtf8(name);
    const auto safe = SafeItemName(decoded.str());
    if (!safe || *safe != name || !folder.Inside(entry.path())) return std::nullopt;
    std::error_code ec;
    Item item;
    item.name = name;
    item.folder = fs::is_directory(entry.path(), ec);
    if (!item.folder && !fs::is_regular_file(entry.path(), ec)) return std::nullopt;
    if (!item.folder) item.size = fs::file_size(entry.path(), ec);
    const auto time = fs::last_write_time(entry.path(), ec);
    if (!ec) item.modified = ModifiedText(time);
    return item;
}

}  // namespace

std::string FolderListing(const ServedFolder& folder) {
    std::vector<Item> items;
    std::error_code ec;
    for (fs::directory_iterator it(folder.current(), ec), end; !ec && it != end && items.size() < kMaxListedItems;
         it.increment(ec))
        if (auto item = Describe(folder, *it)) items.push_back(std::move(*item));
    // Folders first, each group by name, as phones list them.
    std::sort(items.begin(), items.end(),
              [](const Item& a, const Item& b) { return a.folder != b.folder ? a.folder : a.name < b.name; });
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE folder-listing SYSTEM \"obex-folder-listing.dtd\">\n"
        "<folder-listing version=\"1.0\">\n";
    if (!folder.atRoot()) xml += "  <parent-folder/>\n";
    for (const Item& item : items) {
        xml += item.folder ? "  <folder name=\"" : "  <file name=\"";
        xml += platform::XmlEscape(item.name) + "\"";
        if (!item.folder) xml += " size=\"" + std::to_string(item.size) + "\"";
        if (!item.modified.empty()) xml += " modified=\"" + item.modified + "\"";
        xml += "/>\n";
    }
    xml += "</folder-listing>\n";
    return xml;
}

}  // namespace obex
