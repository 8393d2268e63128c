#include "app/browser/context_menus.h"

#include <QAction>
#include <QMenu>
#include <map>

#include "app/frame/command_ids.h"

namespace context_menus {
namespace {
constexpr Entry kSeparator{nullptr, 0, false};

const std::map<int, std::vector<Entry>>& Table() {
    static const std::map<int, std::vector<Entry>> table = {
        {133, {{"Properties", cmd::kProperties, false}, {"Unpair", cmd::kUnpair, false}, {"Update", cmd::kUpdate, false}}},
        {134, {{"Properties", cmd::kProperties, false}, {"Pair", cmd::kPair, false}, {"Update", cmd::kUpdate, false}}},
        {146, {{"Add file", cmd::kAddFile, false}}},
        {147,
         {{"Connect", cmd::kConnect, false},
          {"Properties", cmd::kProperties, false},
          kSeparator,
          {"Create Shortcut", cmd::kCreateShortcut, true}}},
        {148, {{"Get file", cmd::kGetFile, false}, {"Delete", cmd::kDelete, false}}},
        {149,
         {{"Disconnect", cmd::kDisconnect, false},
          {"Properties", cmd::kProperties, false},
          kSeparator,
          {"Create Shortcut", cmd::kCreateShortcut, false}}},
        {150, {{"Add file", cmd::kAddFile, false}, {"Delete", cmd::kDelete, false}}},
        {151,
         {{"Push file", cmd::kAddFile, false},
          {"Properties", cmd::kProperties, false},
          kSeparator,
          {"Create Shortcut", cmd::kCreateShortcut, false}}},
        {170, {{"Connect", cmd::kConnectShortcut, false}, {"Delete", cmd::kDeleteShortcut, false}}},
        {171,
         {{"Connect", cmd::kConnect, false},
          {"Properties", cmd::kFileTransferProperties, false},
          kSeparator,
          {"Create Shortcut", cmd::kCreateShortcut, false}}},
        {183, {{"Start", cmd::kStartServer, false}, {"Properties", cmd::kProperties, false}}},
        {184, {{"Stop", cmd::kStopServer, false}, {"Properties", cmd::kProperties, false}}},
        {185, {{"Delete", cmd::kDeleteShortcut, false}}},
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
        QAction* action = menu->addAction(QString::fromLatin1(entry.text));
        action->setData(entry.command);
        action->setEnabled(!entry.greyed);
    }
    return menu;
}

int CommandOf(const QAction* action) { return action ? action->data().toInt() : 0; }

}  // namespace context_menus
