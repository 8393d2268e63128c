#include "engine/obex/folder_listing.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/text/utf.h"

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower;
}

// The value of `encoding="..."` in the declaration, lower case; empty when there is none.
std::string DeclaredEncoding(std::string_view declaration) {
    const std::string lower = Lower(declaration);
    const auto at = lower.find("encoding");
    if (at == std::string::npos) return std::string();
    const auto open = lower.find_first_of("\"'", at);
    if (open == std::string::npos) return std::string();
    const auto close = lower.find(lower[open], open + 1);
    if (close == std::string::npos) return std::string();
    return lower.substr(open + 1, close - open - 1);
}

bool IsValidUtf8(std::string_view bytes) {
    std::wstring decoded = platform::WideFromUtf8(bytes);
    return platform::Utf8FromWide(decoded) == bytes;
}

// The document as UTF-8: the default code page maps each byte to the character of its value.
std::string AsUtf8(std::string_view body, std::string_view declaration) {
    const std::string encoding = DeclaredEncoding(declaration);
    const bool utf8 = encoding.empty() ? IsValidUtf8(body) : encoding == "utf-8";
    return utf8 ? std::string(body) : platform::Utf8FromWide(platform::WideFromLatin1(body));
}

std::string_view LocalName(std::string_view name) {
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::uint32_t LeadingNumber(const char* text) {
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (end == text || text[0] == '-') return 0;
    return static_cast<std::uint32_t>(std::min<unsigned long long>(value, 0xFFFFFFFFull));
}

}  // namespace

bool ParseFolderListing(std::string_view bytes, std::vector<ListingEntry>* entries) {
    entries->clear();
    const auto declarationEnd = bytes.find("?>");
    const std::string_view declaration = declarationEnd == std::string_view::npos ? std::string_view() : bytes.substr(0, declarationEnd);
    // What lies between the text before the document type and the listing's element is dropped.
    const auto doctype = bytes.find("<!DOCTYPE");
    const auto listing = bytes.find("<folder-listing");
    std::string body(doctype == std::string_view::npos ? std::string_view() : bytes.substr(0, doctype));
    body += listing == std::string_view::npos ? bytes : bytes.substr(listing);

    const std::string text = AsUtf8(body, declaration);
    pugi::xml_document document;
    // No document type, no entities of the document's own: only XML's five and numeric ones.
    const unsigned options = pugi::parse_default & ~pugi::parse_doctype;
    if (!document.load_buffer(text.data(), text.size(), options, pugi::encoding_utf8)) return false;
    const pugi::xml_node root = document.document_element();
    if (!root || LocalName(root.name()) != "folder-listing") return false;
    for (const pugi::xml_node child : root.children()) {
        if (child.type() != pugi::node_element) continue;
        const std::string_view kind = child.name();
        if (kind != "file" && kind != "folder") continue;
        const pugi::xml_attribute name = child.attribute("name");
        if (!name) continue;
        ListingEntry entry;
        entry.folder = kind == "folder";
        entry.name = platform::WideFromUtf8(name.value());
        if (!entry.folder) entry.size = LeadingNumber(child.attribute("size").value());
        entries->push_back(std::move(entry));
    }
    return true;
}
