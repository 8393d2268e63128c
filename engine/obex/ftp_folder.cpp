// Remote folders: listing, uploading into them, deleting their entries.
#include <string>
#include <vector>

#include "engine/frame/error_codes.h"
#include "engine/frame/error_manager.h"
#include "engine/frame/notifications.h"
#include "engine/obex/client_ftp.h"
#include "engine/obex/file_sender.h"
#include "engine/obex/folder_listing.h"
#include "engine/obex/local_files.h"

namespace {

constexpr ULONG kBlockSize = 64;
// A listing longer than this is no listing any device sends (120,000 entries take about 5 MB):
// it is refused rather than read on.
constexpr std::size_t kMaxListingBytes = 64 * 1024 * 1024;
constexpr char kListingType[] = "x-obex/folder-listing";

}  // namespace

CFtpFolder::CFtpFolder(CClientFtp* client, CFtpFolder* parent, CString name)
    : CFtpElement(client, parent, std::move(name)) {
    uiType = FTP_FOLDER;
}

CFtpFolder::~CFtpFolder() {
    endTransfer();
    ClearElements();
}

CString CFtpFolder::GetPath() {
    if (!m_pParent) return CString(L"\\") + m_sName;
    return m_pParent->GetPath() + L"\\" + m_sName;
}

void CFtpFolder::append(CFtpElement* element) {
    std::lock_guard lock(m_elementsLock);
    arElements.Add(element);
}

void CFtpFolder::ClearElements() {
    CArray<CFtpElement*, CFtpElement*> taken;
    {
        std::lock_guard lock(m_elementsLock);
        taken.Copy(arElements);
        arElements.RemoveAll();
    }
    // With the lock let go: a child's destructor waits for its transfer thread.
    for (CFtpElement* element : taken) delete element;
}

int CFtpFolder::Browse() {
    if (!m_pClient->IsConnected()) return 0;
    const auto claim = m_pClient->ClaimSession(L"CFtpFolder::Browse");
    if (!claim) return 0;
    ClearElements();
    if (!m_pClient->GoToPath(GetPath())) return 0;
    IHeaderCollection* headers = m_pClient->GetObjectHeader();
    headers->AddName(L"");
    if (FAILED(headers->AddType(sizeof kListingType, kListingType))) {
        headers->RemoveAll();
        return 0;
    }
    if (!m_pClient->BeginGetObject()) return 0;

    std::string text;
    char block[kBlockSize];
    bool tooLarge = false;
    for (ULONG count; (count = m_pClient->GetPacket(block, kBlockSize)) != 0;) {
        if (text.size() + count > kMaxListingBytes) {
            tooLarge = true;
            m_pClient->Abort();
            break;
        }
        text.append(block, count);
    }
    const bool cutShort = m_pClient->TransferFailed();
    m_pClient->EndGetObject();
    if (tooLarge) RaiseError(ERR_LISTING_TOO_LARGE, L"CFtpFolder::Browse");
    // Part of a listing is no listing: nothing is shown rather than some of the entries.
    if (tooLarge || cutShort) return 0;

    std::vector<ListingEntry> entries;
    if (!ParseFolderListing(text, &entries)) return 1;
    for (const ListingEntry& entry : entries) {
        if (entry.folder) {
            append(new CFtpFolder(m_pClient, this, CString(entry.name.c_str())));
        } else {
            auto* file = new CFtpFile(m_pClient, this, CString(entry.name.c_str()));
            file->dwSize = entry.size;
            append(file);
        }
    }
    if (!entries.empty()) FireNotification(NOTIFY_FOLDER_CHANGED, 0);
    return 1;
}

int CFtpFolder::PutFile(CString localPath, TRANSFER_PROGRESS_CALLBACK callback, long context) {
    if (!m_pClient->IsConnected() || m_transferThread.IsRunning()) return 0;
    m_sUploadPath = std::move(localPath);
    return startTransfer(callback, context) ? 1 : 0;
}

int CFtpFolder::DoPutFileThreadWork() {
    const auto claim = m_pClient->ClaimSession(L"CFtpFolder::DoPutFileThreadWork");
    if (!claim || !m_pClient->GoToPath(GetPath())) return 0;
    LocalFileSender file(*m_pClient, {m_pCallback, m_lContext, L"CFtpFolder::DoPutFileThreadWork", false});
    if (!file.Open(m_sUploadPath, false)) return 0;
    const CString name = ObjectNameOf(m_sUploadPath);
    progress(PROGRESS_START);
    m_pClient->GetObjectHeader()->AddName(name);
    m_pClient->GetObjectHeader()->AddLength(file.size());
    if (!m_pClient->BeginPutObject()) {
        progress(PROGRESS_END);  // the transfer that began is over
        return 0;
    }
    const bool accepted = file.Send();
    progress(PROGRESS_END);
    if (!accepted) return 0;
    append(new CFtpFile(m_pClient, this, name));
    FireNotification(NOTIFY_FOLDER_CHANGED, 0);
    return 1;
}

int CFtpFolder::DeleteElement(CFtpElement* element) {
    {
        std::lock_guard lock(m_elementsLock);
        bool listed = false;
        for (CFtpElement* child : arElements) listed = listed || child == element;
        if (!listed) return 0;
    }
    const auto claim = m_pClient->ClaimSession(L"CFtpFolder::DeleteElement");
    // Nothing is deleted but in the folder the user chose.
    if (!claim || !m_pClient->GoToPath(GetPath())) return 0;
    if (FAILED(m_pClient->GetObjectHeader()->AddName(element->GetName()))) {
        m_pClient->GetObjectHeader()->RemoveAll();
        return 0;
    }
    if (!m_pClient->BeginPutObject() || !m_pClient->EndPutObject()) return 0;
    // A refused delete (a folder that is not empty, say) keeps its entry.
    if (!m_pClient->ObjectAccepted()) return 0;
    {
        std::lock_guard lock(m_elementsLock);
        for (int i = 0; i < arElements.GetSize(); ++i)
            if (arElements[i] == element) {
                arElements.RemoveAt(i);
                break;
            }
    }
    delete element;
    FireNotification(NOTIFY_FOLDER_ITEM_DELETED, 0);
    return 1;
}
