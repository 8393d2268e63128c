#include "sim/obex/object_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <utility>

#include "sim/obex/served_folder.h"

namespace sim {
namespace fs = std::filesystem;
namespace {

// "photo.jpg" -> "photo-2.jpg"; a name without an extension (or a dot-file) gets the suffix.
std::string NumberedName(const std::string& name, unsigned number) {
    const auto dot = name.rfind('.');
    const std::string suffix = "-" + std::to_string(number);
    if (dot == std::string::npos || dot == 0) return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}

}  // namespace

IncomingObject::IncomingObject(const fs::path& folder) : folder_(folder) {
    std::random_device random;
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        partial_ = folder / (kPartialPrefix + std::to_string(random()));
        fd_ = ::open(partial_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd_ < 0 && errno != EEXIST) break;
    }
}

IncomingObject::~IncomingObject() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_ && !partial_.empty()) ::unlink(partial_.c_str());
}

bool IncomingObject::Write(std::span<const std::uint8_t> bytes) {
    while (fd_ >= 0 && !bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return fd_ >= 0;
}

std::string IncomingObject::Commit(const std::string& name, bool unique) {
    if (fd_ < 0 || ::close(std::exchange(fd_, -1)) != 0) return {};
    if (!unique) {
        // rename replaces an item of that name (a link itself, not what it points to).
        if (::rename(partial_.c_str(), (folder_ / name).c_str()) != 0) return {};
        committed_ = true;
        return name;
    }
    // link fails when the name is taken: no existing object is ever replaced.
    for (unsigned number = 0; number < 1000; ++number) {
        const std::string candidate = number == 0 ? name : NumberedName(name, number);
        if (::link(partial_.c_str(), (folder_ / candidate).c_str()) == 0) {
            ::unlink(partial_.c_str());
            committed_ = true;
            return candidate;
        }
        if (errno != EEXIST) break;
    }
    return {};
}

OutgoingFile::OutgoingFile(const fs::path& path) : file_(path, std::ios::binary) {
    std::error_code ec;
    size_ = fs::file_size(path, ec);
    if (ec) file_.close();
}

bool OutgoingFile::Read(std::size_t limit, std::vector<std::uint8_t>* bytes) {
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(limit, size_ - std::min(sent_, size_)));
    bytes->resize(count);
    if (count > 0 && !file_.read(reinterpret_cast<char*>(bytes->data()), static_cast<std::streamsize>(count)))
        return false;
    sent_ += count;
    return true;
}

}  // namespace sim
