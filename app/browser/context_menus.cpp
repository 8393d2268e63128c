#include "app/browser/context_menus.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <map>

#include "app/frame/command_ids.h"

namespace context_menus {
namespace {
constexpr Entry kSeparator{nullptr, 0, false};

// The texts are marked for translation in the context "context_menus"; Build translates them.
const std::map<int, std::vector<Entry>>& Table() {
    static const std::map<int, std::vector<Entry>> table = {
        {menu::kPairedDevice,
         {{QT_TRANSLATE_NOOP("context_menus", "Properties"), cmd::kProperties, false},
          {QT_TRANSLATE_NOOP("context_menus", "Unpair"), cmd::kUnpair, false},
          {QT_TRANSLATE_NOOP("context_menus", "Update"), cmd::kUpdate, false}}},
        {menu::kUnpairedDevice,
         {{QT_TRANSLATE_NOOP("context_menus", "Properties"), cmd::kProperties, false},
          {QT_TRANSLATE_NOOP("context_menus", "Pair"), cmd::kPair, false},
          {QT_TRANSLATE_NOOP("context_menus", "Update"), cmd::kUpdate, false}}},
        {menu::kFolderBackground, {{QT_TRANSLATE_NOOP("context_menus", "Add file"), cmd::kAddFile, false}}},
        {menu::kService,
         {{QT_TRANSLATE_NOOP("context_menus", "Connect"), cmd::kConnect, false},
          {QT_TRANSLATE_NOOP("context_menus", "Properties"), cmd::kProperties, false},
          kSeparator,
          {QT_TRANSLATE_NOOP("context_menus", "Create Shortcut"), cmd::kCreateShortcut, true}}},
        {menu::kFile,
         {{QT_TRANSLATE_NOOP("context_menus", "Get file"), cmd::kGetFile, false},
          {QT_TRANSLATE_NOOP("context_menus", "Delete"), cmd::kDelete, false}}},
        {menu::kConnectedService,
         {{QT_TRANSLATE_NOOP("context_menus", "Disconnect"), cmd::kDisconnect, false},
          {QT_TRANSLATE_NOOP("context_menus", "Properties"), cmd::kProperties, false},
          kSeparator,
          {QT_TRANSLATE_NOOP("context_menus", "Create Shortcut"), cmd::kCreateShortcut, false}}},
        {menu::kFolder,
         {{QT_TRANSLATE_NOOP("context_menus", "Add file"), cmd::kAddFile, false},
          {QT_TRANSLATE_NOOP("context_menus", "Delete"), cmd::kDelete, false}}},
        {menu::kObjectPush,
         {{QT_TRANSLATE_NOOP("context_menus", "Push file"), cmd::kAddFile, false},
          {QT_TRANSLATE_NOOP("context_menus", "Properties"), cmd::kProperties, false},
          kSeparator,
          {QT_TRANSLATE_NOOP("context_menus", "Create Shortcut"), cmd::kCreateShortcut, false}}},
        {menu::kShortcut,
         {{QT_TRANSLATE_NOOP("context_menus", "Connect"), cmd::kConnectShortcut, false},
          {QT_TRANSLATE_NOOP("context_menus", "Delete"), cmd::kDeleteShortcut, false}}},
        {menu::kFileTransfer,
         {{QT_TRANSLATE_NOOP("context_menus", "Connect"), cmd::kConnect, false},
          {QT_TRANSLATE_NOOP("context_menus", "Properties"), cmd::kFileTransferProperties, false},
          kSeparator,
          {QT_TRANSLATE_NOOP("context_menus", "Create Shortcut"), cmd::kCreateShortcut, false}}},
        {menu::kStoppedServer,
         {{QT_TRANSLATE_NOOP("context_menus", "Start"), cmd::kStartServer, false},
          {QT_TRANSLATE_NOOP("context_menus", "Properties"), cmd::kProperties, false}}},
        {menu::kRunningServer,
         {{QT_TRANSLATE_NOOP("context_menus", "Stop"), cmd::kStopServer, false},
          {QT_TRANSLATE_NOOP("context_menus", "Properties"), cmd::kProperties, false}}},
        {menu::kConnectedShortcut, {{QT_TRANSLATE_NOOP("context_menus", "Delete"), cmd::kDeleteShortcut, false}}},
    };
    return table;
}
}  // namespace

const std::vector<Entry>* EntriesOf(int menuId) {
    auto found = Table().find(menuId);
    return found == Table().end() ? nullptr : &found->second;
}

std::unique_ptr<QMenu> Build(int menuId, QWidget* parent) {
    const std::vector<Entry>* entries = EntriesOf(menuId);
    if (!entries) return nullptr;
    auto menu = std::make_unique<QMenu>(parent);
    for (const Entry& entry : *entries) {
        if (!entry.text) {
            menu->addSeparator();
            continue;
        }
        QAction* action = menu->addAction(QCoreApplication::translate("context_menus", entry.text));
        action->setData(entry.command);
        action->setEnabled(!entry.greyed);
    }
    return menu;
}

int CommandOf(const QAction* action) { return action ? action->data().toInt() : 0; }

}  // namespace context_menus
