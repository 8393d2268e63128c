#pragma once
// Command numbers of the toolbar, the context menus and the notification-area menu.
namespace cmd {
constexpr int kShortcuts = 32773;
constexpr int kSearchDevices = 32775;
constexpr int kSettings = 32776;
constexpr int kRefresh = 32779;
constexpr int kStop = 32780;
constexpr int kPair = 32781;
constexpr int kUnpair = 32782;
constexpr int kProperties = 32783;
constexpr int kConnect = 32784;
constexpr int kUpdate = 32785;
constexpr int kDisconnect = 32787;
constexpr int kAddFile = 32788;
constexpr int kGetFile = 32789;
constexpr int kDelete = 32790;
constexpr int kUp = 32794;
constexpr int kShow = 32795;
constexpr int kExit = 32796;
constexpr int kCreateShortcut = 32798;
constexpr int kConnectShortcut = 32800;
constexpr int kDeleteShortcut = 32801;
constexpr int kFileTransferProperties = 32803;
constexpr int kLocalServices = 32805;
constexpr int kStopServer = 32806;
constexpr int kStartServer = 32811;
constexpr int kAbout = 57664;
}  // namespace cmd
