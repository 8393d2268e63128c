#pragma once
// The program's icons: the user's icon theme first, our own SVG pictures where the theme has
// none, so the program looks whole on a bare machine.
#include <QIcon>

namespace icons {

// The browser's pictures by index: 0 unknown device, 1 desktop, 2 laptop, 3 handheld, 4 phone,
// 5 access point, 6 audio, 7 serial port, 8 file transfer, 9 object push, 10 (unused),
// 11 dial-up, 12 remote file, 13 remote folder, 14-17 the overlays paired, connected,
// paired and connected, remote side disconnected.
constexpr int kImageCount = 18;
QIcon Image(int index);
// The picture with overlay 1-4 drawn on it (0: none).
QIcon WithOverlay(int image, int overlay);
QIcon Tray();
QIcon Program();
// Toolbar: stop, refresh, up, shortcuts, search, local services, settings, about.
QIcon Command(int commandId);

}  // namespace icons
