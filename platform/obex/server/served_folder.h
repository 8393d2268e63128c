#pragma once
// The folder tree an OBEX server offers a peer: a root on the host, the peer's current folder
// inside it, and names checked so that no request reaches outside the root (no separators, no
// "." or "..", no symbolic link that leads out).
#include <filesystem>
#include <optional>
#include <string>

#include "platform/obex/obex_codes.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

// A name a peer may give one item, as UTF-8: not empty, no '/' or '\', not "." or "..", no
// control characters, at most 255 bytes. None for anything else.
std::optional<std::string> SafeItemName(const std::wstring& name);

class ServedFolder {
public:
    // The root is created when missing.
    explicit ServedFolder(const std::filesystem::path& root);
    bool valid() const { return !root_.empty(); }

    const std::filesystem::path& current() const { return current_; }
    bool atRoot() const { return current_ == root_; }

    // SETPATH: to the root, one level up (NotFound at the root), into a folder (created when
    // `create` and absent).
    void GoRoot() { current_ = root_; }
    ResponseCode GoUp();
    ResponseCode Enter(const std::string& name, bool create);

    // An existing item of the current folder, resolved through links; none when absent or
    // when it leads outside the root.
    std::optional<std::filesystem::path> Existing(const std::string& name) const;
    // Whether `path` (resolved) lies inside the root.
    bool Inside(const std::filesystem::path& path) const;
    // Deletes a file or an empty folder of the current folder (a link itself, never its target).
    ResponseCode Delete(const std::string& name);

private:
    std::filesystem::path root_;     // canonical
    std::filesystem::path current_;  // canonical, inside root_
};

}  // namespace obex

#pragma GCC visibility pop
