#pragma once
// The content of a remote folder in the browser: a folder item mirrors one folder of the File
// Transfer client's tree and owns the items of the children found so far; a file item stands
// for one remote file. Folder items browse, add files and delete; file items fetch and delete.
// An item whose entry was deleted forgets it and does nothing until the next update drops it.
#include <QCoreApplication>
#include <memory>
#include <vector>

#include "app/browser/context_menus.h"
#include "app/browser/browser_item.h"

class CFtpElement;
class CFtpFile;
class CFtpFolder;
class CTransferDlg;

class CFolderItem : public CBrowserItem {
public:
    CFolderItem(CNimbrelView* view, CFtpFolder* folder, CFolderItem* parent);
    ~CFolderItem() override;

    CFtpFolder* GetFolder() const { return m_folder; }
    CFolderItem* GetParent() const { return m_parent; }
    const std::vector<std::unique_ptr<CBrowserItem>>& Children() const { return m_children; }

    // Deletes the child items and forgets the folder's children in the engine's tree.
    void Empty();
    // Empties, then lists the folder anew; the content arrives with the next update.
    void Browse();
    // Adds items for the children the engine found beyond those known; all anew when the
    // engine's list shrank.
    void Synchronise();
    // Disconnects the File Transfer service the folder belongs to.
    void DisconnectClient();

    QString GetName() const override;
    const void* GetEngineObject() const override { return m_folder; }
    int GetOverlay() const override { return 0; }
    unsigned int GetClass() const override { return 0; }
    int GetImage() const override { return 13; }
    int GetMenuId() const override { return context_menus::menu::kFolder; }
    void Open() override { Browse(); }
    void Abort() override;
    void AddFile() override;
    void Delete() override;

private:
    // The child items stand for the engine's children, in order, so far as they go. Under the
    // folder's lock.
    bool childrenMatch() const;

    CFtpFolder* m_folder;
    CFolderItem* m_parent;
    std::vector<std::unique_ptr<CBrowserItem>> m_children;
    std::unique_ptr<CTransferDlg> m_transfer;
};

class CFileItem : public CBrowserItem {
    Q_DECLARE_TR_FUNCTIONS(CFileItem)

public:
    CFileItem(CNimbrelView* view, CFtpFile* file);
    ~CFileItem() override;

    CFtpFile* GetFtpFile() const { return m_file; }

    QString GetName() const override;
    const void* GetEngineObject() const override { return m_file; }
    int GetOverlay() const override { return 0; }
    unsigned int GetClass() const override { return 0; }
    int GetImage() const override { return 12; }
    int GetMenuId() const override { return context_menus::menu::kFile; }
    void Open() override { GetFile(); }
    void Abort() override;
    void GetFile() override;
    void Delete() override;

private:
    CFtpFile* m_file;
    std::unique_ptr<CTransferDlg> m_transfer;
};
