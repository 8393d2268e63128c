#include "engine/obex/file_sender.h"

#include <algorithm>
#include <vector>

#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "platform/kernel/files.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"

namespace {
constexpr ULONG kBlockSize = 64;
// The file is read in large pieces and sent in blocks from memory: one system call per block
// would cost more than the block.
constexpr DWORD kReadAhead = 64 * 1024;
constexpr DWORD kEndOfFile = 38;
}  // namespace

LocalFileSender::~LocalFileSender() {
    if (file_) CloseHandle(file_);
}

bool LocalFileSender::Open(const CString& path, bool reportOpenError) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (reportOpenError) RaiseError(static_cast<int>(GetLastError()), options_.reportContext);
        return false;
    }
    file_ = file;
    DWORD high = 0;
    const DWORD low = GetFileSize(file_, &high);
    if (high != 0) {
        RaiseError(ERR_FILE_TOO_LARGE, options_.reportContext);
        return false;
    }
    size_ = low;
    return true;
}

void LocalFileSender::Progress(int code) const {
    if (options_.callback) options_.callback(code, options_.context);
}

bool LocalFileSender::Send() {
    std::vector<std::uint8_t> ahead(kReadAhead);
    DWORD held = 0, at = 0;  // bytes read ahead, and how many of them were sent
    std::uint64_t remaining = size_;
    bool refused = false;
    while (remaining != 0) {
        if (at == held) {
            at = held = 0;
            const DWORD want = static_cast<DWORD>(std::min<std::uint64_t>(remaining, kReadAhead));
            if (!ReadFile(file_, ahead.data(), want, &held, nullptr)) {
                if (options_.reportReadErrors && GetLastError() != kEndOfFile)
                    RaiseError(static_cast<int>(GetLastError()), options_.reportContext);
                break;
            }
            if (held == 0) break;  // the file ended early
        }
        const ULONG read = std::min<ULONG>(kBlockSize, held - at);
        const ULONG taken = client_.PutPacket(ahead.data() + at, read);
        at += taken;
        if (taken == 0) {
            refused = true;
            break;
        }
        remaining -= std::min<std::uint64_t>(taken, remaining);
        // In 64 bits: size × 100 does not fit 32 bits from 42,949,673 bytes on.
        Progress(static_cast<int>((size_ - remaining) * 100 / size_));
    }
    const bool complete = remaining == 0;
    const bool aborted = client_.IsAborted();  // EndPutObject clears it
    client_.EndPutObject();
    // The device may still refuse the object as a whole when its last part arrives.
    const bool accepted = complete && client_.ObjectAccepted();
    // A lost link was told as such already: the device did not refuse anything.
    if ((refused || (complete && !accepted)) && !aborted && !client_.LinkLost())
        PostError(ERR_PUSH_ABORTED, options_.reportContext);
    return accepted;
}
