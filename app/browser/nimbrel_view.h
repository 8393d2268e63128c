#pragma once
// The device browser: a list in large-icon mode that shows one level at a time (search
// results, local services, a device's services, a remote folder, shortcuts). Each entry is a
// browser item wrapping one engine object; an update brings the list model to the engine's
// lists, changing only the rows that changed. Owns the notification-area icon.
#include <QPoint>
#include <QWidget>
#include <memory>
#include <vector>

#include "app/browser/browser_item.h"
#include "app/browser/engine_call_worker.h"
#include "platform/kernel/types.h"

class CClientFtp;
class CDeviceItem;
class CServiceDistant;
class CDistantDeviceItem;
class CFolderItem;
class CFtpElement;
class CFtpFolder;
class CLocalDeviceItem;
class CMainFrame;
class CNimbrelDoc;
class CShortcutRootItem;
class BrowserListModel;
class QKeyEvent;
class QListView;
class QTimer;
class TrayIcon;

class CNimbrelView : public QWidget {
    Q_OBJECT
public:
    // 0 nothing, 1 search results, 2 local services, 3 a device's services, 4 a remote
    // folder, 5 shortcuts.
    enum Mode { kNothing = 0, kDevices = 1, kLocalServices = 2, kServices = 3, kFolder = 4, kShortcuts = 5 };

    CNimbrelView(CNimbrelDoc* doc, CMainFrame* frame);
    ~CNimbrelView() override;

    CNimbrelDoc* GetDocument() const { return m_doc; }
    CMainFrame* GetFrame() const { return m_frame; }

    // Rebuilds the list from the engine (UpdateAllViews).
    void OnUpdate();
    // Toolbar, menu and notification-area commands.
    void OnCommand(int id);
    // Up is possible: a folder with a parent is shown.
    bool CanGoUp() const;

    // Messages passed on by the frame.
    void OnViewPairRequest(BT_ADDR device);
    // The connection messages go to the item of the service they name (`service`, a key
    // only), whichever item is selected; none when the service has no item.
    void OnViewConnected(const void* service);
    void OnViewConnectFailed(const void* service);
    void OnViewDistantDisconnected(const void* service);
    void OnTransferAborted();
    // The transfer `owner` followed is over.
    void OnTransferDone(CBrowserItem* owner);
    // Leaves folder browsing, mode 0, empty list (before the program ends).
    void ResetForExit();

    // The name of the device whose services are shown, or an empty text.
    QString CurrentDeviceName() const;

    // For the frame and for tests.
    Mode GetMode() const { return m_mode; }
    QListView* List() const { return m_list; }
    BrowserListModel* Model() const { return m_model; }
    CBrowserItem* ShownItem(int row) const;
    CBrowserItem* SelectedItem() const { return m_selected; }
    // Selects `item` (null: none) and highlights its entry when it is shown.
    void SetSelectedItem(CBrowserItem* item);
    // Double click / right click on a row (-1: beside all entries), as the list's signals do.
    void OpenRow(int row);
    void ContextMenuAt(int row, const QPoint& globalPos);
    TrayIcon* GetTrayIcon() const { return m_tray.get(); }
    CLocalDeviceItem* RootItem() const { return m_root.get(); }

    // For the items. An item that goes away is forgotten as selected, current or shown; the
    // next update selects the item that stands for the same engine entry, if there is one.
    void ForgetItem(const CBrowserItem* item);
    // Deletes items now, or, while a command on an item runs (or its menu is open), once it
    // has returned: the item a command runs on stays whole until then. Either way they are
    // gone for the view at once: a command chosen for one of them is not run.
    void DisposeItems(std::vector<std::unique_ptr<CBrowserItem>> items);
    // Shows the level of this remote service's device and opens the service (a shortcut's
    // connection); the device must be one of the local device's list.
    void ShowService(CServiceDistant* service);
    // The calls that wait for a File Transfer server run on a thread of their own, so that a
    // server slow to answer does not hold the window; the engine tells of what changed as it
    // always does, and the list is brought up to date once a call is over. One call at a time:
    // a new one ends the one before.
    // Lists a remote folder.
    void ListFolder(CFtpFolder* folder);
    // Deletes a remote entry; the entry is the engine's from now on (its item no longer points
    // to it), and a delete the server refused shows it again.
    void DeleteEntry(CFtpElement* entry);
    // Ends such a call still running (its OBEX operation is aborted) and waits for it to return:
    // before the entries of a folder, or their session, go.
    void StopListing();
    // A call on the remote folders runs.
    bool ListingRunning() const { return m_lister.Running(); }

signals:
    // A shown service whose remote side had dropped its link is connected again (the engine's
    // connection monitor reconnects without a notification).
    void linkReestablished(const QString& service);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class CommandHold;
    // Marks a change of the list's rows or current entry the view makes itself.
    class ListChange {
    public:
        explicit ListChange(CNimbrelView* view) : m_view(view), m_was(view->m_changingList) { view->m_changingList = true; }
        ~ListChange() { m_view->m_changingList = m_was; }
        ListChange(const ListChange&) = delete;
        ListChange& operator=(const ListChange&) = delete;

    private:
        CNimbrelView* m_view;
        bool m_was;
    };
    // What the user selected, kept beyond its item: a rebuilt list finds the new item of the
    // same engine entry by it (the name guards against a new entry at a freed address).
    struct Selection {
        const void* object = nullptr;
        CBrowserItem::Kind kind = CBrowserItem::kPlain;
        QString name;
        bool operator==(const Selection&) const = default;
    };
    static Selection selectionOf(const CBrowserItem* item);

    void select(CBrowserItem* item);
    void reselect();
    void highlightSelected();

    void dispatchToItem(CBrowserItem* item, int id);
    void runToolbarCommand(int id);
    void searchDevices();
    void refresh();
    void stop();
    void up();
    void showLevel(Mode mode);
    void leaveFolderBrowsing();
    void stopRunningSearch();
    void enterFolderBrowsing(CBrowserItem* fileTransfer);
    void emptyList();
    void showDeviceName();
    bool keyPressed(const QKeyEvent& key);
    QString levelName() const;
    void followReconnections();
    int rowAt(const QPoint& viewportPos) const;
    CBrowserItem* findServiceItem(const void* service) const;
    void releaseHeldItems();

    CNimbrelDoc* m_doc;
    CMainFrame* m_frame;
    BrowserListModel* m_model = nullptr;
    QListView* m_list = nullptr;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<CLocalDeviceItem> m_root;
    std::unique_ptr<CShortcutRootItem> m_shortcutRoot;
    CBrowserItem* m_selected = nullptr;
    Selection m_selection;  // of m_selected, or of the selected item that went away
    CDeviceItem* m_currentDevice = nullptr;
    CFolderItem* m_currentFolder = nullptr;
    Mode m_mode = kNothing;
    EngineCallWorker m_lister;
    CClientFtp* m_listing = nullptr;  // the session of the call started last
    void runOnFolders(CClientFtp* client, std::function<void()> call);
    bool m_changingList = false;
    int m_holds = 0;  // commands on items (and their menus) running now
    std::vector<std::unique_ptr<CBrowserItem>> m_heldItems;  // deleted once m_holds is 0
    QTimer* m_pressAndHold = nullptr;
    QTimer* m_reconnectionWatch = nullptr;
    std::vector<const void*> m_awaitingReconnection;  // engine services shown as dropped
    QPoint m_pressPos;
};
