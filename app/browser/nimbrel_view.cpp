#include "app/browser/nimbrel_view.h"

#include <QApplication>
#include <QGuiApplication>
#include <QListView>
#include <QMenu>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "app/browser/browser_list_model.h"
#include "app/browser/context_menus.h"
#include "app/browser/distant_device_item.h"
#include "app/browser/file_transfer_item.h"
#include "app/browser/folder_item.h"
#include "app/browser/local_device_item.h"
#include "app/browser/service_item.h"
#include "app/browser/shortcut_root_item.h"
#include "app/frame/command_ids.h"
#include "app/frame/main_frame.h"
#include "app/frame/modal.h"
#include "app/frame/nimbrel_doc.h"
#include "app/frame/tray_icon.h"
#include "app/res/icons.h"
#include "engine/device/device_local.h"
#include "engine/obex/client_ftp.h"
#include "engine/obex/ftp_tree.h"
#include "engine/service/service_distant.h"

// Counts a command on an item (or its open menu) for as long as it runs; the items disposed
// of meanwhile are deleted when the last one ends.
class CNimbrelView::CommandHold {
public:
    explicit CommandHold(CNimbrelView* view) : m_view(view) { ++m_view->m_holds; }
    ~CommandHold() {
        if (--m_view->m_holds == 0) m_view->releaseHeldItems();
    }
    CommandHold(const CommandHold&) = delete;
    CommandHold& operator=(const CommandHold&) = delete;

private:
    CNimbrelView* m_view;
};

CNimbrelView::CNimbrelView(CNimbrelDoc* doc, CMainFrame* frame)
    : QWidget(frame), m_doc(doc), m_frame(frame), m_model(new BrowserListModel(this)), m_list(new QListView(this)) {
    m_list->setModel(m_model);
    m_list->setViewMode(QListView::IconMode);
    m_list->setIconSize(QSize(32, 32));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setWrapping(true);
    m_list->setWordWrap(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setMovement(QListView::Static);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_list, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ContextMenuAt(rowAt(pos), m_list->viewport()->mapToGlobal(pos)); });
    m_list->viewport()->installEventFilter(this);
    m_list->installEventFilter(this);
    // Moving through the list with the keyboard selects as a click does; the list's own
    // changes (an update, a level shown) do not.
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (!m_changingList && current.isValid()) select(ShownItem(current.row()));
    });

    // Press and hold opens the context menu, as a right click does.
    m_pressAndHold = new QTimer(this);
    m_pressAndHold->setSingleShot(true);
    m_pressAndHold->setInterval(QGuiApplication::styleHints()->mousePressAndHoldInterval());
    connect(m_pressAndHold, &QTimer::timeout, this,
            [this] { ContextMenuAt(rowAt(m_pressPos), m_list->viewport()->mapToGlobal(m_pressPos)); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);

    m_reconnectionWatch = new QTimer(this);
    m_reconnectionWatch->setInterval(2000);
    connect(m_reconnectionWatch, &QTimer::timeout, this, [this] { OnUpdate(); });

    m_tray = std::make_unique<TrayIcon>(this);
    // A call on the remote folders that changed nothing (a refused delete) still brings the
    // list back to what the engine holds.
    connect(&m_lister, &EngineCallWorker::Finished, this, [this] { OnUpdate(); });
}

CNimbrelView::~CNimbrelView() {
    // The items forget themselves in the view as they go: do it while the view is whole.
    m_model->Clear();
    m_heldItems.clear();
    m_shortcutRoot.reset();
    m_root.reset();
}

CBrowserItem* CNimbrelView::ShownItem(int row) const { return m_model->Item(row); }

int CNimbrelView::rowAt(const QPoint& viewportPos) const {
    const QModelIndex entry = m_list->indexAt(viewportPos);
    return entry.isValid() ? entry.row() : -1;
}

// ---- items going away

void CNimbrelView::ForgetItem(const CBrowserItem* item) {
    if (m_selected == item) m_selected = nullptr;  // m_selection stays, for the next update
    if (static_cast<const CBrowserItem*>(m_currentDevice) == item) m_currentDevice = nullptr;
    if (m_currentFolder == item) m_currentFolder = nullptr;
    // The entry stays in the list until the next update, but no longer stands for an item.
    m_model->Forget(item);
}

void CNimbrelView::DisposeItems(std::vector<std::unique_ptr<CBrowserItem>> items) {
    for (const auto& item : items) ForgetItem(item.get());
    if (m_holds > 0) {
        for (auto& item : items) m_heldItems.push_back(std::move(item));
        return;
    }
    items.clear();
}

void CNimbrelView::releaseHeldItems() {
    std::vector<std::unique_ptr<CBrowserItem>> held;
    held.swap(m_heldItems);
    held.clear();
}

// ---- the selection

CNimbrelView::Selection CNimbrelView::selectionOf(const CBrowserItem* item) {
    if (!item) return {};
    return {item->GetEngineObject(), item->GetKind(), item->GetName()};
}

void CNimbrelView::select(CBrowserItem* item) {
    m_selected = item;
    m_selection = selectionOf(item);
}

void CNimbrelView::SetSelectedItem(CBrowserItem* item) {
    select(item);
    highlightSelected();
}

// After a rebuild: the selected item, or the new one of the same entry when it was replaced.
void CNimbrelView::reselect() {
    if (m_selected || !m_selection.object) return;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        CBrowserItem* item = m_model->Item(row);
        if (item && selectionOf(item) == m_selection) {
            m_selected = item;
            return;
        }
    }
    m_selection = {};  // its entry is gone
}

void CNimbrelView::highlightSelected() {
    const int row = m_model->RowOf(m_selected);
    if (row < 0) {
        m_list->clearSelection();
        return;
    }
    const ListChange change(this);
    m_list->setCurrentIndex(m_model->index(row));
}

// ---- the list

void CNimbrelView::emptyList() {
    const ListChange change(this);
    m_model->Clear();
}

void CNimbrelView::showDeviceName() { m_frame->QueueShowDeviceName(); }

void CNimbrelView::OnUpdate() {
    std::vector<CBrowserItem*> shown;
    CDeviceLocal* local = m_doc->GetDeviceLocal();
    if (!m_root && local) m_root = std::make_unique<CLocalDeviceItem>(this, local);
    if (m_root) m_root->Synchronise();
    else m_mode = kNothing;
    if (!m_shortcutRoot && local) m_shortcutRoot = std::make_unique<CShortcutRootItem>(this, local);
    if (m_shortcutRoot) m_shortcutRoot->Rebuild();
    else m_mode = kNothing;

    switch (m_mode) {
        case kNothing: showDeviceName(); break;
        case kDevices:
            m_currentDevice = nullptr;
            showDeviceName();
            shown = m_root->DeviceItems();
            break;
        case kLocalServices:
            shown = m_root->ServiceItems();
            showDeviceName();
            break;
        case kServices:
            if (m_currentDevice) {
                m_currentDevice->Synchronise();
                shown = m_currentDevice->ServiceItems();
            }
            showDeviceName();
            break;
        case kFolder:
            if (m_currentFolder) {
                m_currentFolder->Synchronise();
                for (const auto& child : m_currentFolder->Children()) shown.push_back(child.get());
            }
            break;
        case kShortcuts:
            m_currentDevice = nullptr;
            showDeviceName();
            m_shortcutRoot->Rebuild();
            shown = m_shortcutRoot->ServiceItems();
            break;
    }
    {
        const ListChange change(this);
        m_model->Update(shown);
    }
    reselect();
    highlightSelected();
    m_list->setAccessibleName(levelName());
    followReconnections();
}

// While a shown service's remote side has dropped its link, the list is read again every two
// seconds: the monitor reconnects it without a word, and its coming back is told.
void CNimbrelView::followReconnections() {
    std::vector<const void*> waiting;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const CBrowserItem* item = m_model->Item(row);
        if (!item || !item->GetEngineObject()) continue;
        const int overlay = m_model->index(row).data(BrowserListModel::kOverlayRole).toInt();
        const void* service = item->GetEngineObject();
        if (overlay == 4)
            waiting.push_back(service);
        else if ((overlay & 2) && std::find(m_awaitingReconnection.begin(), m_awaitingReconnection.end(), service) !=
                                      m_awaitingReconnection.end())
            emit linkReestablished(item->GetName());
    }
    m_awaitingReconnection = std::move(waiting);
    if (m_awaitingReconnection.empty())
        m_reconnectionWatch->stop();
    else if (!m_reconnectionWatch->isActive())
        m_reconnectionWatch->start();
}

// What the list shows, for screen readers.
QString CNimbrelView::levelName() const {
    switch (m_mode) {
        case kDevices: return tr("Devices found");
        case kLocalServices: return tr("Local services");
        case kServices: return tr("Services of %1").arg(CurrentDeviceName());
        case kFolder: return m_currentFolder ? tr("Folder %1").arg(m_currentFolder->GetName()) : tr("Folder");
        case kShortcuts: return tr("Shortcuts");
        case kNothing: break;
    }
    return tr("Nothing shown");
}

QString CNimbrelView::CurrentDeviceName() const { return m_currentDevice ? m_currentDevice->GetName() : QString(); }

bool CNimbrelView::CanGoUp() const { return m_currentFolder && m_currentFolder->GetParent(); }

// ---- user actions on the list

bool CNimbrelView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::KeyPress) return keyPressed(*static_cast<QKeyEvent*>(event));
    if (watched != m_list->viewport()) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            const QPoint pos = mouse->position().toPoint();
            const int row = rowAt(pos);
            select(ShownItem(row));
            if (row < 0) m_list->clearSelection();
            if (mouse->button() == Qt::LeftButton) {
                m_pressPos = pos;
                m_pressAndHold->start();
            }
            break;
        }
        case QEvent::MouseMove: {
            const QPoint pos = static_cast<QMouseEvent*>(event)->position().toPoint();
            if ((pos - m_pressPos).manhattanLength() > QApplication::startDragDistance()) m_pressAndHold->stop();
            break;
        }
        case QEvent::MouseButtonRelease: m_pressAndHold->stop(); break;
        case QEvent::MouseButtonDblClick:
            m_pressAndHold->stop();
            OpenRow(rowAt(static_cast<QMouseEvent*>(event)->position().toPoint()));
            return true;  // the list may have been rebuilt: it must not act on the click too
        default: break;
    }
    return false;
}

// Enter opens the current entry, Delete deletes it (a remote file or folder, a shortcut), the
// Menu key and Shift+F10 open its context menu. True when the key was taken.
bool CNimbrelView::keyPressed(const QKeyEvent& key) {
    const int row = m_list->currentIndex().isValid() ? m_list->currentIndex().row() : -1;
    const bool menuKey = key.key() == Qt::Key_Menu || (key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier);
    if (menuKey) {
        const QRect area = row >= 0 ? m_list->visualRect(m_model->index(row)) : QRect(QPoint(0, 0), QSize(1, 1));
        ContextMenuAt(row, m_list->viewport()->mapToGlobal(area.center()));
        return true;
    }
    if (key.modifiers() & ~Qt::KeypadModifier) return false;
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        if (row < 0) return false;
        OpenRow(row);
        return true;
    }
    if (key.key() == Qt::Key_Delete) {
        CBrowserItem* item = ShownItem(row);
        const auto* entries = item ? context_menus::EntriesOf(item->GetMenuId()) : nullptr;
        if (!entries) return false;
        for (int command : {cmd::kDelete, cmd::kDeleteShortcut}) {
            if (std::any_of(entries->begin(), entries->end(), [command](const auto& entry) { return entry.command == command; })) {
                select(item);
                OnCommand(command);
                return true;
            }
        }
    }
    return false;
}

void CNimbrelView::stopRunningSearch() {
    if (m_mode == kDevices && m_root) {
        m_currentDevice = nullptr;
        showDeviceName();
        m_root->GetDevice()->EndInquiry();
    } else if (m_mode == kServices && m_currentDevice) {
        m_currentDevice->GetDevice()->EndInquiry();
    }
}

void CNimbrelView::enterFolderBrowsing(CBrowserItem* fileTransfer) {
    m_mode = kFolder;
    m_currentFolder = static_cast<CFileTransferItem*>(fileTransfer)->RootFolder();
}

void CNimbrelView::OpenRow(int row) {
    CommandHold hold(this);
    stopRunningSearch();
    CBrowserItem* item = ShownItem(row);
    if (!item) return;
    select(item);
    item->Open();
    switch (item->GetKind()) {
        case CBrowserItem::kDevice:
            m_mode = kServices;
            m_currentDevice = static_cast<CDeviceItem*>(item);
            showDeviceName();
            OnUpdate();
            break;
        case CBrowserItem::kFileTransfer:
            enterFolderBrowsing(item);
            emptyList();
            break;
        case CBrowserItem::kFolder:
            m_currentFolder = static_cast<CFolderItem*>(item);
            emptyList();
            // An empty folder brings no listing news: the update (and Up) must not wait for one.
            m_frame->QueueRefresh();
            break;
        default: break;
    }
}

void CNimbrelView::ContextMenuAt(int row, const QPoint& globalPos) {
    m_pressAndHold->stop();
    CommandHold hold(this);  // the item stays whole until its command has run
    CBrowserItem* item = ShownItem(row);
    int menuId = -1;
    if (item) {
        menuId = item->GetMenuId();
    } else if (m_mode == kFolder && m_currentFolder) {
        item = m_currentFolder;
        menuId = context_menus::menu::kFolderBackground;
    }
    SetSelectedItem(item);
    std::unique_ptr<QMenu> menu = context_menus::Build(menuId, this);
    if (!menu) return;
    const Selection chosen = m_selection;
    const int command = context_menus::CommandOf(menu->exec(globalPos));
    menu.reset();
    if (!command) return;
    // While the menu was open the engine may have changed the list: the command goes to the
    // item of the entry chosen (a rebuild made a new one) and to no other.
    if (item && (!m_selected || selectionOf(m_selected) != chosen)) {
        nimbrel::ShowMessage(this, tr("%1 is no longer there: the command was not run.").arg(chosen.name));
        return;
    }
    OnCommand(command);
}

// ---- commands

void CNimbrelView::OnCommand(int id) {
    if (id == cmd::kShow) {
        m_frame->ShowAndRaise();
        return;
    }
    if (id == cmd::kExit) {
        m_frame->RunExitOrder();
        return;
    }
    CommandHold hold(this);
    if (CBrowserItem* item = m_selected) {
        if (item->GetKind() == CBrowserItem::kFileTransfer && id == cmd::kConnect) {
            enterFolderBrowsing(item);
            item->Open();
            emptyList();
        } else {
            dispatchToItem(item, id);
        }
    }
    runToolbarCommand(id);
}

void CNimbrelView::dispatchToItem(CBrowserItem* item, int id) {
    switch (id) {
        case cmd::kPair: item->Pair(); break;
        case cmd::kUnpair: item->Unpair(); break;
        case cmd::kProperties:
        case cmd::kFileTransferProperties: item->ShowProperties(); break;
        case cmd::kConnect:
        case cmd::kStartServer: item->Connect(); break;
        case cmd::kUpdate: item->Update(); break;
        case cmd::kDisconnect:
        case cmd::kStopServer: item->Disconnect(); break;
        case cmd::kAddFile: item->AddFile(); break;
        case cmd::kGetFile: item->GetFile(); break;
        case cmd::kDelete: item->Delete(); break;
        case cmd::kCreateShortcut: item->CreateShortcut(); break;
        case cmd::kConnectShortcut: item->ConnectShortcut(); break;
        case cmd::kDeleteShortcut: item->DeleteShortcut(); break;
        default: break;
    }
}

void CNimbrelView::runToolbarCommand(int id) {
    switch (id) {
        case cmd::kSearchDevices: searchDevices(); break;
        case cmd::kRefresh: refresh(); break;
        case cmd::kStop: stop(); break;
        case cmd::kSettings:
            if (m_root) m_root->ShowProperties();
            break;
        case cmd::kUp: up(); break;
        case cmd::kShortcuts: showLevel(kShortcuts); break;
        case cmd::kLocalServices: showLevel(kLocalServices); break;
        default: break;
    }
}

void CNimbrelView::ListFolder(CFtpFolder* folder) {
    runOnFolders(folder->GetClient(), [folder] { folder->Browse(); });
}

void CNimbrelView::DeleteEntry(CFtpElement* entry) {
    CFtpFolder* parent = entry->GetParent();
    runOnFolders(entry->GetClient(), [parent, entry] { parent->DeleteElement(entry); });
}

void CNimbrelView::runOnFolders(CClientFtp* client, std::function<void()> call) {
    StopListing();
    m_listing = client;
    m_lister.Start(std::move(call));
}

void CNimbrelView::StopListing() {
    if (!m_lister.Running()) return;
    // Nothing open at the peer yet (or any more): the abort sends nothing, and the listing
    // ends within the session's time-out at the most.
    if (m_listing && m_listing->IsConnected()) m_listing->Abort();
    m_lister.Wait();
}

void CNimbrelView::leaveFolderBrowsing() {
    StopListing();
    if (m_mode == kFolder && m_currentFolder) {
        m_currentFolder->DisconnectClient();
        m_currentFolder = nullptr;
    }
}

void CNimbrelView::searchDevices() {
    leaveFolderBrowsing();
    if (m_root) m_root->Open();
    m_mode = kDevices;
    OnUpdate();
}

void CNimbrelView::showLevel(Mode mode) {
    leaveFolderBrowsing();
    m_mode = mode;
    if (mode == kLocalServices) m_currentDevice = m_root.get();
    OnUpdate();
}

void CNimbrelView::refresh() {
    switch (m_mode) {
        case kDevices:
            m_currentDevice = nullptr;
            showDeviceName();
            if (!m_root) break;
            // The items go before the engine forgets the devices they point to.
            m_root->DeleteChildren();
            if (m_root->GetDevice()->Clear()) {
                emptyList();
                m_root->Open();
            }
            break;
        case kServices:
            if (auto* device = dynamic_cast<CDistantDeviceItem*>(m_currentDevice)) {
                device->DeleteServiceItems();
                if (device->GetDevice()->Clear()) {
                    emptyList();
                    device->Open();
                }
            }
            showDeviceName();
            break;
        case kFolder:
            if (m_currentFolder) {
                emptyList();
                m_currentFolder->Browse();
            }
            break;
        case kShortcuts:
            m_currentDevice = nullptr;
            showDeviceName();
            if (m_shortcutRoot) m_shortcutRoot->DeleteChildren();
            emptyList();
            break;
        default: showDeviceName(); break;
    }
}

void CNimbrelView::up() {
    if (m_mode != kFolder || !CanGoUp()) return;
    emptyList();
    m_currentFolder = m_currentFolder->GetParent();
    m_currentFolder->Browse();
}

void CNimbrelView::stop() {
    switch (m_mode) {
        case kDevices:
            m_currentDevice = nullptr;
            showDeviceName();
            if (m_root) m_root->GetDevice()->EndInquiry();
            break;
        case kServices:
            if (m_currentDevice) m_currentDevice->GetDevice()->EndInquiry();
            showDeviceName();
            break;
        case kFolder:
            if (m_selected) m_selected->Cancel();
            break;
        case kShortcuts: break;
        default: showDeviceName(); break;
    }
}

void CNimbrelView::ResetForExit() {
    StopListing();
    leaveFolderBrowsing();
    m_mode = kNothing;
    emptyList();
}

// ---- messages from the frame

void CNimbrelView::OnViewPairRequest(BT_ADDR device) {
    if (!m_root) return;
    m_root->Synchronise();  // a device that asked just now may not have its item yet
    CDistantDeviceItem* item = m_root->FindDeviceItem(device);
    if (!item) return;
    CommandHold hold(this);
    item->AnswerPairRequest();
}

CBrowserItem* CNimbrelView::findServiceItem(const void* service) const {
    if (!service || !m_root) return nullptr;
    auto serves = [service](CBrowserItem* item) {
        auto* serviceItem = dynamic_cast<CServiceItem*>(item);
        return serviceItem && static_cast<const void*>(serviceItem->GetService()) == service;
    };
    for (CBrowserItem* local : m_root->ServiceItems())
        if (serves(local)) return local;
    for (CBrowserItem* device : m_root->DeviceItems())
        for (CBrowserItem* item : static_cast<CDeviceItem*>(device)->ServiceItems())
            if (serves(item)) return item;
    return nullptr;
}

void CNimbrelView::OnViewConnected(const void* service) {
    CommandHold hold(this);
    if (CBrowserItem* item = findServiceItem(service)) item->OnConnected();
}

void CNimbrelView::OnViewConnectFailed(const void* service) {
    m_mode = kServices;
    {
        CommandHold hold(this);
        if (CBrowserItem* item = findServiceItem(service)) item->Abort();
    }
    OnUpdate();
}

void CNimbrelView::OnViewDistantDisconnected(const void* service) {
    m_mode = kServices;
    {
        CommandHold hold(this);
        if (CBrowserItem* item = findServiceItem(service)) item->OnDistantDisconnection();
    }
    OnUpdate();
}

void CNimbrelView::OnTransferAborted() {
    if (m_mode == kFolder && m_currentFolder) m_currentFolder->Abort();
}

void CNimbrelView::OnTransferDone(CBrowserItem* owner) {
    CommandHold hold(this);
    if (owner) owner->OnTransferDone();
}

// ---- a shortcut's connection

void CNimbrelView::ShowService(CServiceDistant* service) {
    if (!m_root) return;
    emptyList();
    m_root->Synchronise();
    m_mode = kServices;
    m_currentDevice = m_root->FindDeviceItem(service->GetDevice());
    OnUpdate();  // synchronises the device and shows its services
    std::vector<CBrowserItem*> shown;  // opening the service may update the list
    for (int row = 0; row < m_model->rowCount(); ++row) shown.push_back(m_model->Item(row));
    for (CBrowserItem* item : shown) {
        auto* serviceItem = dynamic_cast<CServiceItem*>(item);
        if (!serviceItem || serviceItem->GetService()->GetID() != service->GetID()) continue;
        SetSelectedItem(item);
        item->Open();
        if (item->GetKind() == CBrowserItem::kFileTransfer) {
            enterFolderBrowsing(item);
            emptyList();
        }
        break;
    }
}
