// Tree entries and fetching a remote file into the local File Transfer folder.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/obex/client_ftp.h"
#include "engine/obex/local_files.h"
#include "platform/kernel/files.h"
#include "platform/kernel/last_error.h"
#include "platform/kernel/sync.h"

namespace {

constexpr ULONG kBlockSize = 64;

// Blocks gathered in memory and written in large pieces: one system call per block would cost
// more than the block.
class BufferedWriter {
public:
    explicit BufferedWriter(HANDLE file) : file_(file) { held_.reserve(kCapacity); }
    bool Write(const std::uint8_t* data, ULONG size) {
        held_.insert(held_.end(), data, data + size);
        return held_.size() < kCapacity || Flush();
    }
    bool Flush() {
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(held_.size());
        const bool ok = size == 0 || (WriteFile(file_, held_.data(), size, &written, nullptr) && written == size);
        held_.clear();
        return ok;
    }

private:
    static constexpr std::size_t kCapacity = 64 * 1024;
    HANDLE file_;
    std::vector<std::uint8_t> held_;
};

// A new file in `folder` under a name of this process's own; INVALID_HANDLE_VALUE when none
// could be made.
HANDLE CreatePartFile(const CString& folder, CString* path) {
    static std::atomic<unsigned> next{0};
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::wstring name =
            L".nimbrel-" + std::to_wstring(::getpid()) + L"-" + std::to_wstring(next++) + L".part";
        *path = LocalPathIn(folder, CString(name.c_str()));
        HANDLE file = CreateFileW(*path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return INVALID_HANDLE_VALUE;
}

}  // namespace

CFtpElement::CFtpElement(CClientFtp* client, CFtpFolder* parent, CString name)
    : uiType(FTP_FILE), m_sName(std::move(name)), m_pClient(client), m_pParent(parent) {}

CFtpElement::~CFtpElement() { endTransfer(); }

void CFtpElement::endTransfer() {
    if (m_transferThread.IsRunning()) m_pClient->Abort();
    m_transferThread.Join();
}

CString CFtpElement::GetPath() { return m_pParent ? m_pParent->GetPath() : CString(L"\\"); }

int CFtpElement::CancelTransfer() {
    if (m_pClient->Abort()) m_pClient->Connect();
    return 0;
}

int CFtpElement::DisconnectClient() {
    // The new session a cancelled transfer asked for must not come up after the disconnection;
    // a peer that does not answer its CONNECT is not waited for.
    m_pClient->AbandonConnectionAttempt();
    m_pClient->WaitForConnectionAttempt();
    return m_pClient->Disconnect();
}

int CFtpElement::WaitForTransfer() {
    m_transferThread.Join();
    return m_iTransferResult.load();
}

bool CFtpElement::startTransfer(TRANSFER_PROGRESS_CALLBACK callback, long context) {
    // A running transfer keeps its callback and context until it ends.
    if (m_transferThread.IsRunning()) return false;
    m_transferThread.Join();
    m_iTransferResult = 0;
    m_pCallback = callback;
    m_lContext = context;
    return m_transferThread.Start(&CFtpElement::transferThread, this);
}

UINT CFtpElement::transferThread(void* argument) {
    auto* entry = static_cast<CFtpElement*>(argument);
    entry->m_iTransferResult = entry->transferWork();
    return static_cast<UINT>(entry->m_iTransferResult.load());
}

void CFtpElement::progress(int code) const {
    if (m_pCallback) m_pCallback(code, m_lContext);
}

CFtpFile::CFtpFile(CClientFtp* client, CFtpFolder* parent, CString name)
    : CFtpElement(client, parent, std::move(name)) {
    uiType = FTP_FILE;
}

CFtpFile::~CFtpFile() { endTransfer(); }

int CFtpFile::GetFile(TRANSFER_PROGRESS_CALLBACK callback, long context) {
    if (!m_pClient->IsConnected()) return 0;
    // The name comes from the remote listing: it must not lead out of the local folder.
    if (!IsPlainFileName(m_sName)) {
        RaiseError(ERR_UNSAFE_REMOTE_NAME, L"CFtpFile::GetFile");
        return 0;
    }
    return startTransfer(callback, context) ? 1 : 0;
}

int CFtpFile::DoGetFileThreadWork() {
    const auto claim = m_pClient->ClaimSession(L"CFtpFile::DoGetFileThreadWork");
    if (!claim || !m_pClient->GoToPath(GetPath()) || FAILED(m_pClient->GetObjectHeader()->AddName(m_sName)) ||
        !m_pClient->BeginGetObject()) {
        m_pClient->GetObjectHeader()->RemoveAll();
        progress(PROGRESS_FAILED);
        return 0;
    }
    const CString folder = m_pClient->GetPath();
    CreateDirectoryW(folder, nullptr);  // the default folder may not exist yet
    // The bytes go to a new file of our own beside the target, which takes the target's name
    // only once the whole file is in: nothing already there (a link, say) is written through.
    const CString localPath = LocalPathIn(folder, m_sName);
    CString partPath;
    HANDLE file = GetFileAttributesW(localPath) == FILE_ATTRIBUTE_DIRECTORY ? INVALID_HANDLE_VALUE
                                                                            : CreatePartFile(folder, &partPath);
    if (file == INVALID_HANDLE_VALUE) {
        m_pClient->EndGetObject();
        progress(PROGRESS_FAILED);
        return 0;
    }
    progress(PROGRESS_START);
    std::uint8_t block[kBlockSize];
    std::uint64_t total = 0;
    bool writeFailed = false;
    BufferedWriter writer(file);
    for (ULONG count; (count = m_pClient->GetPacket(block, kBlockSize)) != 0;) {
        writeFailed = !writer.Write(block, count);
        total += count;
        if (dwSize != 0)
            progress(static_cast<int>(std::min<std::uint64_t>(total * 100 / dwSize, 100)));  // 64 bits: no overflow
        else
            progress(PROGRESS_UNKNOWN);
        if (writeFailed) break;  // the rest is not asked for (ending the GET aborts it)
    }
    writeFailed = !writer.Flush() || writeFailed;
    // The disk full, say: the user hears that it was our side that failed.
    if (writeFailed) RaiseError(ERR_LOCAL_WRITE, L"CFtpFile::DoGetFileThreadWork");
    // A transfer cut short (aborted, refused, link lost) brought no whole file either.
    bool failed = writeFailed || m_pClient->TransferFailed();
    CloseHandle(file);
    failed = failed || !MoveFileExW(partPath, localPath, MOVEFILE_REPLACE_EXISTING);
    progress(PROGRESS_END);
    if (failed) DeleteFileW(partPath);
    m_pClient->EndGetObject();
    if (failed) progress(PROGRESS_FAILED);
    return failed ? 0 : 1;
}
