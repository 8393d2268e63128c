#pragma once
// The part of a remote device's folders that the user has opened, as a tree owned by its File
// Transfer client: folders and files as the remote listings gave them. Listing and deleting
// run on the caller's thread; a fetch or an upload on a thread of the entry's own, one at a
// time, reporting progress through its callback.
//
// Remote paths: the root is "\", any other folder its parent's path, '\' and its name.
//
// A folder's children change on the host's thread (Browse, DeleteElement, ClearElements) and
// on an upload's thread (the uploaded file is appended): read them under ElementsLock(). A
// child is valid until its folder is browsed or cleared again, or it is deleted.
#include <atomic>
#include <mutex>

#include "engine/frame/export.h"
#include "engine/frame/worker_thread.h"
#include "engine/obex/client_obex.h"
#include "platform/mfc/carray.h"
#include "platform/mfc/cstring.h"

class CClientFtp;
class CFtpFolder;

enum FTP_ELEMENT_TYPE { FTP_FILE = 0, FTP_FOLDER = 1 };

class NIMBREL_API CFtpElement {
public:
    CFtpElement(CClientFtp* client, CFtpFolder* parent, CString name);
    // A transfer still running is cancelled and waited for.
    virtual ~CFtpElement();
    CFtpElement(const CFtpElement&) = delete;
    CFtpElement& operator=(const CFtpElement&) = delete;

    // The path of the folder that holds the entry (a folder: its own).
    virtual CString GetPath();
    virtual CString GetName() { return m_sName; }
    // The folder that holds the entry; none for the root.
    CFtpFolder* GetParent() const { return m_pParent; }
    // The session the entry belongs to.
    CClientFtp* GetClient() const { return m_pClient; }
    // Aborts the session's transfer and, when that worked, opens the session anew. 0.
    virtual int CancelTransfer();
    virtual int DisconnectClient();
    // Waits for the entry's transfer thread (none: at once); the last transfer's result, 1 when
    // it succeeded.
    int WaitForTransfer();

    FTP_ELEMENT_TYPE uiType;

protected:
    // Starts the entry's transfer thread (running transferWork); false when one still runs or
    // none could start.
    bool startTransfer(TRANSFER_PROGRESS_CALLBACK callback, long context);
    // The transfer thread's work: a fetch for a file, an upload for a folder; 1 on success.
    virtual int transferWork() = 0;
    // Aborts a transfer still running and waits for its thread. Every destructor calls it
    // first, while the whole entry still exists for the thread.
    void endTransfer();
    void progress(int code) const;

    const CString m_sName;
    CClientFtp* const m_pClient;
    CFtpFolder* const m_pParent;
    WorkerThread m_transferThread;
    TRANSFER_PROGRESS_CALLBACK m_pCallback = nullptr;
    long m_lContext = 0;

private:
    static UINT transferThread(void* entry);

    std::atomic<int> m_iTransferResult{0};
};

class NIMBREL_API CFtpFile : public CFtpElement {
public:
    CFtpFile(CClientFtp* client, CFtpFolder* parent, CString name);
    ~CFtpFile() override;

    // Starts fetching the file into the local File Transfer folder; 1 when started. 0 when not
    // connected, a transfer runs, or the name is no plain file name (reported: 70103).
    virtual int GetFile(TRANSFER_PROGRESS_CALLBACK callback, long context);
    int DoGetFileThreadWork();

    DWORD dwSize = 0;  // from the listing; 0 when it gave none

protected:
    int transferWork() override { return DoGetFileThreadWork(); }
};

class NIMBREL_API CFtpFolder : public CFtpElement {
public:
    CFtpFolder(CClientFtp* client, CFtpFolder* parent, CString name);
    ~CFtpFolder() override;

    CString GetPath() override;
    // Lists the folder anew on this thread; 1 when the device answered with the whole listing
    // (whatever was found in it), 0 when not connected, the folder could not be reached, the
    // request failed or the listing was cut short or too large (reported: 70601).
    virtual int Browse();
    // Starts uploading a local file into the folder; 1 when started.
    virtual int PutFile(CString localPath, TRANSFER_PROGRESS_CALLBACK callback, long context);
    // Deletes a child on the remote device and, when the device accepted, from the tree; 1 then.
    virtual int DeleteElement(CFtpElement* element);
    // Forgets every child (in the tree only).
    virtual void ClearElements();
    int DoPutFileThreadWork();

    std::unique_lock<std::mutex> ElementsLock() const { return std::unique_lock(m_elementsLock); }
    CArray<CFtpElement*, CFtpElement*> arElements;

protected:
    int transferWork() override { return DoPutFileThreadWork(); }

private:
    // Appends a child; 1033 follows from the caller.
    void append(CFtpElement* element);

    mutable std::mutex m_elementsLock;
    CString m_sUploadPath;
};
