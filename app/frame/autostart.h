#pragma once
// "Start with the desktop": the XDG autostart entry ($XDG_CONFIG_HOME/autostart, else
// ~/.config/autostart) that starts this program at login, hidden in the notification area.
#include <QString>

namespace autostart {

// The entry's path.
QString EntryPath();
// Whether the entry is there and not disabled (Hidden=true).
bool Enabled();
// Writes the entry, starting the program as it runs now, or removes it; false with `error`.
bool SetEnabled(bool on, QString* error);

}  // namespace autostart
