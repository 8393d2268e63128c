#pragma once
// A file an OBEX server sends in parts as the peer asks for them, never read whole into memory.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

class SentFile {
public:
    explicit SentFile(const std::filesystem::path& path);
    bool open() const { return file_.is_open(); }
    std::uint64_t size() const { return size_; }
    // Up to `limit` next bytes; fewer only at the end of the file. False on a read error.
    bool Read(std::size_t limit, std::vector<std::uint8_t>* bytes);
    bool atEnd() const { return sent_ >= size_; }

private:
    std::ifstream file_;
    std::uint64_t size_ = 0;
    std::uint64_t sent_ = 0;
};

}  // namespace obex

#pragma GCC visibility pop
