#pragma once
// Where Nimbrel keeps its data on the host.
#include <filesystem>

namespace platform {

// $NIMBREL_HOME, else $XDG_DATA_HOME/nimbrel, else ~/.local/share/nimbrel. Created on demand.
std::filesystem::path NimbrelHome();

// Root folder of the handheld's file system ("\Temp\a.txt" lives at <root>/Temp/a.txt).
std::filesystem::path FileRoot();

// Run-time links (COM ports, control socket): $XDG_RUNTIME_DIR/nimbrel, else a private folder
// under /tmp. Created on demand.
std::filesystem::path RuntimeDir();

}  // namespace platform
