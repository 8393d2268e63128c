#include "platform/obex/server/received_file.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>

#include "platform/text/utf.h"

namespace obex {
namespace {

// How many "name (n).ext" a received file may try before giving up.
constexpr int kMaxNameTries = 1000;
// What an extension may be, to be kept when a name is cut.
constexpr std::size_t kMaxExtensionBytes = 16;

// Bytes of the longest prefix of `text` of at most `limit` bytes that ends between characters.
std::size_t CutUtf8(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text.size();
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return end;
}

DWORD FromErrno(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return ERROR_DISK_FULL;  // past the size this process may write: as full to the user
        case ENOENT:
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS: return ERROR_ACCESS_DENIED;
        default: return ERROR_CANTWRITE;
    }
}

// "stem (n).ext" for the n-th try (the name itself first), within the name limit.
std::string Candidate(const std::string& name, int attempt) {
    if (attempt == 0) return name;
    const std::size_t dot = name.rfind('.');
    const bool extension = dot != std::string::npos && dot > 0 && name.size() - dot <= kMaxExtensionBytes;
    std::string stem = extension ? name.substr(0, dot) : name;
    const std::string tail = " (" + std::to_string(attempt) + ")" + (extension ? name.substr(dot) : "");
    stem.resize(CutUtf8(stem, kMaxStoredNameBytes - tail.size()));
    return stem + tail;
}

}  // namespace

std::optional<std::string> StoredName(std::wstring_view name) {
    const std::size_t slash = name.find_last_of(L"/\\");
    if (slash != std::wstring_view::npos) name.remove_prefix(slash + 1);
    std::wstring clean;
    for (wchar_t c : name)
        if (c >= 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0)) clean += c;
    if (clean.empty() || clean == L"." || clean == L"..") return std::nullopt;
    std::string utf8 = platform::Utf8FromWide(clean);
    if (utf8.size() > kMaxStoredNameBytes) {
        const std::size_t dot = utf8.rfind('.');
        const bool extension = dot != std::string::npos && dot > 0 && utf8.size() - dot <= kMaxExtensionBytes;
        const std::string suffix = extension ? utf8.substr(dot) : "";
        utf8 = utf8.substr(0, CutUtf8(utf8, kMaxStoredNameBytes - suffix.size())) + suffix;
    }
    return utf8;
}

std::unique_ptr<ReceivedFile> ReceivedFile::Begin(const std::filesystem::path& folder, std::wstring_view name,
                                                  std::optional<std::uint64_t> length, DWORD* error,
                                                  ExistingFile existing) {
    const auto stored = StoredName(name);
    if (!stored) {
        *error = ERROR_INVALID_NAME;
        return nullptr;
    }
    struct statvfs space {};
    if (statvfs(folder.c_str(), &space) != 0) {
        *error = FromErrno(errno);
        return nullptr;
    }
    if (length && *length > static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize) {
        *error = ERROR_DISK_FULL;
        return nullptr;
    }
    std::string pattern = (folder / (std::string(kReceivingPrefix) + "XXXXXX")).string();
    const int fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        *error = FromErrno(errno);
        return nullptr;
    }
    *error = ERROR_SUCCESS;
    return std::unique_ptr<ReceivedFile>(new ReceivedFile(folder, *stored, pattern, fd, length, existing));
}

ReceivedFile::ReceivedFile(std::filesystem::path folder, std::string name, std::filesystem::path temporary, int fd,
                           std::optional<std::uint64_t> length, ExistingFile existing)
    : folder_(std::move(folder)),
      name_(std::move(name)),
      temporary_(std::move(temporary)),
      fd_(fd),
      length_(length),
      existing_(existing) {}

ReceivedFile::~ReceivedFile() {
    if (fd_ >= 0) close(fd_);
    if (!completed_) unlink(temporary_.c_str());
}

DWORD ReceivedFile::Write(const std::uint8_t* data, std::size_t size) {
    if (fd_ < 0) return ERROR_INVALID_HANDLE;
    if (length_ && received_ + size > *length_) return ERROR_INVALID_DATA;
    while (size > 0) {
        const ssize_t written = write(fd_, data, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return written < 0 ? FromErrno(errno) : ERROR_DISK_FULL;
        data += written;
        size -= static_cast<std::size_t>(written);
        received_ += static_cast<std::uint64_t>(written);
    }
    return ERROR_SUCCESS;
}

DWORD ReceivedFile::Complete(std::filesystem::path* stored) {
    if (fd_ < 0) return ERROR_INVALID_HANDLE;
    if (length_ && received_ != *length_) return ERROR_INVALID_DATA;
    // On the disk before it has its name: a file that is there is whole.
    const bool flushed = fsync(fd_) == 0;
    const int closed = close(fd_);
    fd_ = -1;
    if (!flushed || closed != 0) return FromErrno(errno);
    return Place(stored);
}

DWORD ReceivedFile::Place(std::filesystem::path* stored) {
    if (existing_ == ExistingFile::Replaced) {
        const std::filesystem::path target = folder_ / name_;
        // rename replaces a file or a link itself; it fails on a folder.
        if (rename(temporary_.c_str(), target.c_str()) != 0)
            return errno == EISDIR || errno == ENOTEMPTY || errno == EEXIST ? ERROR_FILE_EXISTS : FromErrno(errno);
        completed_ = true;
        *stored = target;
        return ERROR_SUCCESS;
    }
    for (int attempt = 0; attempt < kMaxNameTries; ++attempt) {
        const std::filesystem::path target = folder_ / Candidate(name_, attempt);
        // A hard link never replaces what is there (a file, a link, anything).
        if (link(temporary_.c_str(), target.c_str()) == 0) {
            unlink(temporary_.c_str());
            completed_ = true;
            *stored = target;
            return ERROR_SUCCESS;
        }
        if (errno != EEXIST) return FromErrno(errno);
    }
    return ERROR_FILE_EXISTS;
}

}  // namespace obex
