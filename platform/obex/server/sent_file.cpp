#include "platform/obex/server/sent_file.h"

#include <algorithm>

namespace obex {
namespace fs = std::filesystem;

SentFile::SentFile(const fs::path& path) : file_(path, std::ios::binary) {
    std::error_code ec;
    size_ = fs::file_size(path, ec);
    if (ec) file_.close();
}

bool SentFile::Read(std::size_t limit, std::vector<std::uint8_t>* bytes) {
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(limit, size_ - std::min(sent_, size_)));
    bytes->resize(count);
    if (count > 0 && !file_.read(reinterpret_cast<char*>(bytes->data()), static_cast<std::streamsize>(count)))
        return false;
    sent_ += count;
    return true;
}

}  // namespace obex
