#include "platform/obex/server/served_folder.h"

#include "platform/mfc/cstring.h"

namespace obex {
namespace fs = std::filesystem;

std::optional<std::string> SafeItemName(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") return std::nullopt;
    for (wchar_t c : name)
        if (c == L'/' || c == L'\\' || c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0) || c == 0xFFFD)
            return std::nullopt;
    std::string utf8 = CString(std::wstring_view(name)).ToUtf8();
    if (utf8.size() > 255) return std::nullopt;
    return utf8;
}

ServedFolder::ServedFolder(const fs::path& root) {
    std::error_code ec;
    fs::create_directories(root, ec);
    const fs::path canonical = fs::canonical(root, ec);
    if (ec || !fs::is_directory(canonical, ec)) return;
    root_ = canonical;
    current_ = canonical;
}

bool ServedFolder::Inside(const fs::path& path) const {
    std::error_code ec;
    const fs::path resolved = fs::canonical(path, ec);
    if (ec) return false;
    auto r = root_.begin();
    auto p = resolved.begin();
    for (; r != root_.end(); ++r, ++p)
        if (p == resolved.end() || *p != *r) return false;
    return true;
}

std::optional<fs::path> ServedFolder::Existing(const std::string& name) const {
    std::error_code ec;
    const fs::path path = current_ / name;
    if (!fs::exists(fs::symlink_status(path, ec)) || !Inside(path)) return std::nullopt;
    return fs::canonical(path, ec);
}

ResponseCode ServedFolder::GoUp() {
    if (atRoot()) return ResponseCode::NotFound;
    current_ = current_.parent_path();
    return ResponseCode::Success;
}

ResponseCode ServedFolder::Enter(const std::string& name, bool create) {
    std::error_code ec;
    if (auto existing = Existing(name)) {
        if (!fs::is_directory(*existing, ec)) return ResponseCode::NotFound;
        current_ = *existing;
        return ResponseCode::Success;
    }
    // A dangling or outward link is not replaced by a folder.
    if (fs::exists(fs::symlink_status(current_ / name, ec))) return ResponseCode::Forbidden;
    if (!create) return ResponseCode::NotFound;
    if (!fs::create_directory(current_ / name, ec)) return ResponseCode::Forbidden;
    current_ /= name;
    return ResponseCode::Success;
}

ResponseCode ServedFolder::Delete(const std::string& name) {
    std::error_code ec;
    const fs::path path = current_ / name;
    const auto status = fs::symlink_status(path, ec);
    if (!fs::exists(status)) return ResponseCode::NotFound;
    if (fs::is_directory(status) && !fs::is_empty(path, ec)) return ResponseCode::PreconditionFailed;
    return fs::remove(path, ec) ? ResponseCode::Success : ResponseCode::Forbidden;
}

}  // namespace obex
