#pragma once
// An entry of the device browser. Each item wraps one engine object and knows its name, icon,
// overlay, context menu, property pages and commands; the base does nothing, returns 0 or an
// empty text. Items hold plain pointers to engine objects exactly as long as the engine keeps
// them: they are rebuilt from the engine's lists on each update.
#include <QString>

#include "platform/kernel/types.h"

class CNimbrelView;

class CBrowserItem {
public:
    // Kinds the view tests: a device level, a file-transfer service, a remote folder.
    enum Kind {
        kPlain = 0, kDevice = 1, kDistantService = 2, kFileTransfer = 4, kSerialPort = 5, kObjectPush = 6,
        kDialUp = 7, kFolder = 8, kFile = 9, kSerialServer = 10
    };
    // Property pages (the properties dialog asks each item which it has).
    enum Page { kGeneralPage = 135, kSecurityPage = 138, kFileTransferPage = 140, kSerialPortPage = 141 };

    CBrowserItem(CNimbrelView* view, Kind kind) : m_view(view), m_kind(kind) {}
    virtual ~CBrowserItem() = default;
    CBrowserItem(const CBrowserItem&) = delete;
    CBrowserItem& operator=(const CBrowserItem&) = delete;

    Kind GetKind() const { return m_kind; }
    CNimbrelView* GetView() const { return m_view; }
    // The engine object the item stands for: by it a rebuilt list finds the new item of what
    // was selected. A key only; null for none.
    virtual const void* GetEngineObject() const { return nullptr; }

    virtual void Open() {}
    virtual void Abort() {}
    virtual void OnTransferDone() {}
    // The properties dialog with the pages the item has.
    virtual void ShowProperties();
    virtual void OnConnected() {}
    virtual void Cancel() {}
    virtual void OnDistantDisconnection() {}
    virtual bool HasPage(Page) const { return false; }
    virtual int GetMenuId() const { return -1; }  // no menu
    virtual QString GetName() const = 0;
    virtual int GetOverlay() const = 0;  // 0 none, 1 paired, 2 connected, 3 both, 4 remote side disconnected
    virtual unsigned int GetClass() const = 0;
    virtual QString GetAddressText() const { return {}; }
    virtual QString GetPath() const { return {}; }
    virtual int GetAuthenticate() const { return 0; }
    virtual void SetAuthenticate(int) {}
    virtual int GetFindable() const { return 0; }
    virtual void SetFindable(int) {}
    virtual void SetPath(const QString&) {}
    virtual int GetComPort() const { return 0; }
    virtual int GetImage() const { return 0; }
    virtual void Pair() {}
    virtual void Unpair() {}
    virtual void Update() {}
    virtual void Connect() {}
    virtual void Disconnect() {}
    virtual void AddFile() {}
    virtual void GetFile() {}
    virtual void Delete() {}
    virtual void CreateShortcut() {}
    virtual void DeleteShortcut() {}
    virtual void ConnectShortcut() {}

private:
    CNimbrelView* m_view;
    Kind m_kind;
};
