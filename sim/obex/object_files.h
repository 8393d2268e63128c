#pragma once
// The files behind an OBEX server's PUT and GET: an object received into a hidden partial file
// that becomes the named file only when the whole object has arrived, and a file sent in parts
// as the peer asks for them (never read whole into memory).
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

namespace sim {

class IncomingObject {
public:
    // A new partial file in `folder` (exclusive, never through a link). Check open().
    explicit IncomingObject(const std::filesystem::path& folder);
    // Removes the partial file unless it was committed.
    ~IncomingObject();
    IncomingObject(const IncomingObject&) = delete;
    IncomingObject& operator=(const IncomingObject&) = delete;

    bool open() const { return fd_ >= 0; }
    bool Write(std::span<const std::uint8_t> bytes);
    // Gives the partial file its name: replacing an item of that name, or (when `unique`)
    // choosing a free name like "photo-1.jpg". The final name, or empty on failure.
    std::string Commit(const std::string& name, bool unique);

private:
    std::filesystem::path folder_;
    std::filesystem::path partial_;
    int fd_ = -1;
    bool committed_ = false;
};

class OutgoingFile {
public:
    explicit OutgoingFile(const std::filesystem::path& path);
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

}  // namespace sim
