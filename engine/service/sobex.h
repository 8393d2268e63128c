#pragma once
// The engine's one holder of the platform OBEX component, and of the local OBEX folders
// ("ObexFTP", "ObexOPP", "ObexSYN", "\Temp" when unset). The local device makes it at
// construction and destroys it last, once no engine thread that could use it is left.
//
// GetInstance, GetObex and the folder accessors may be called from any thread.
#include <memory>
#include <mutex>

#include "engine/frame/export.h"
#include "platform/mfc/cstring.h"

class IObex;

class NIMBREL_API CSObex {
public:
    // The one instance, made on the first call; a missing component is reported (70700) then.
    static CSObex* GetInstance();
    static void DestroyInstance();

    // Null when the system offers no OBEX component. A caller's copy keeps it alive.
    std::shared_ptr<IObex> GetObex() const { return m_pObex; }
    CString GetFtpFolder() const;
    void SetFtpFolder(CString folder);

    CSObex(const CSObex&) = delete;
    CSObex& operator=(const CSObex&) = delete;

private:
    CSObex();
    // Shuts the component down and writes the folders back (when they were read).
    ~CSObex();

    const std::shared_ptr<IObex> m_pObex;
    mutable std::mutex m_foldersLock;
    bool m_bFoldersRead = false;
    CString m_sFtpFolder;
    CString m_sOppFolder;
    CString m_sSynFolder;
};
