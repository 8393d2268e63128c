#pragma once
// An object a remote device sends us, on its way into a folder of ours. The name the sender
// gives is untrusted: only its last component is kept, cleaned and cut to fit. The bytes go to
// a temporary file in the folder, which becomes the received file only once the object is
// complete, under a name no file has yet ("name (1).ext", ...): an object that never completes
// (aborted, link lost, disk full) leaves nothing behind, and no file is ever overwritten.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

// At most this many bytes of UTF-8 in a stored name.
inline constexpr std::size_t kMaxStoredNameBytes = 255;

// Objects still on their way carry this prefix; folder listings leave them out.
inline constexpr char kReceivingPrefix[] = ".nimbrel-receiving-";

// What completing an object does to a file of the same name.
enum class ExistingFile {
    Kept,      // the object takes the first free "name (n).ext"
    Replaced,  // the object replaces it (a link itself, never what it points to)
};

// The file name an object sent as `name` is stored under: its last component (after any '/'
// or '\'), without control characters, cut to kMaxStoredNameBytes (keeping its extension when
// it can). None when nothing usable is left ("", ".", "..").
std::optional<std::string> StoredName(std::wstring_view name);

class ReceivedFile {
public:
    // Starts receiving `name` into `folder`. `length`, when the sender announced one, must fit
    // the folder's free space (else ERROR_DISK_FULL) and bounds what Write takes. Errors:
    // ERROR_INVALID_NAME for a name StoredName rejects, ERROR_PATH_NOT_FOUND for a folder that
    // is not there, or the file system's error.
    static std::unique_ptr<ReceivedFile> Begin(const std::filesystem::path& folder, std::wstring_view name,
                                               std::optional<std::uint64_t> length, DWORD* error,
                                               ExistingFile existing = ExistingFile::Kept);
    // Removes the temporary file unless Complete succeeded.
    ~ReceivedFile();
    ReceivedFile(const ReceivedFile&) = delete;
    ReceivedFile& operator=(const ReceivedFile&) = delete;

    // ERROR_INVALID_DATA past the announced length, ERROR_DISK_FULL when the disk is.
    DWORD Write(const std::uint8_t* data, std::size_t size);
    // The object is complete: ERROR_INVALID_DATA when fewer bytes came than announced; else
    // the file takes its final name and `stored` its path. ERROR_FILE_EXISTS when no name is
    // free, or a folder has the name that is to be replaced.
    DWORD Complete(std::filesystem::path* stored);

    std::uint64_t received() const { return received_; }

private:
    ReceivedFile(std::filesystem::path folder, std::string name, std::filesystem::path temporary, int fd,
                 std::optional<std::uint64_t> length, ExistingFile existing);
    // Gives the temporary file its final name.
    DWORD Place(std::filesystem::path* stored);

    const std::filesystem::path folder_;
    const std::string name_;
    const std::filesystem::path temporary_;
    int fd_;
    const std::optional<std::uint64_t> length_;
    const ExistingFile existing_;
    std::uint64_t received_ = 0;
    bool completed_ = false;
};

}  // namespace obex

#pragma GCC visibility pop
