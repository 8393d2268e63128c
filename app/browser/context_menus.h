#pragma once
// The browser's context menus by number: each entry is a text and the command it sends, or a
// separator.
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace context_menus {

// The menus, by what they are opened on.
namespace menu {
constexpr int kPairedDevice = 133;
constexpr int kUnpairedDevice = 134;
constexpr int kFolderBackground = 146;  // beside the entries of a remote folder
constexpr int kService = 147;
constexpr int kFile = 148;
constexpr int kConnectedService = 149;
constexpr int kFolder = 150;
constexpr int kObjectPush = 151;
constexpr int kShortcut = 170;
constexpr int kFileTransfer = 171;
constexpr int kStoppedServer = 183;
constexpr int kRunningServer = 184;
constexpr int kConnectedShortcut = 185;
}  // namespace menu

struct Entry {
    const char* text;  // in English, translated in the context "context_menus"; null: a separator
    int command;
    bool greyed;
};

// The entries of menu `menuId` in order; null when there is no such menu.
const std::vector<Entry>* EntriesOf(int menuId);

// A menu of those entries whose actions carry their command as data(); null when there is no
// such menu.
std::unique_ptr<QMenu> Build(int menuId, QWidget* parent);

// The command of the action a menu ended with (null: none), 0 when there is none.
int CommandOf(const QAction* action);

}  // namespace context_menus
