#pragma once
// Where Nimbrel keeps its data on the host.
#include <filesystem>
#include <string>
#include <sys/types.h>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform {

// $NIMBREL_HOME, else $XDG_DATA_HOME/nimbrel, else ~/.local/share/nimbrel. Created on demand,
// mode 0700 (its parents as the system makes them); an existing one is used as it is.
std::filesystem::path NimbrelHome();

// Root folder of the handheld's file system ("\Temp\a.txt" lives at <root>/Temp/a.txt).
std::filesystem::path FileRoot();

struct PrivateFolder {
    std::filesystem::path path;  // empty when refused
    std::string error;           // why it was refused, for people; empty on success
};

// Run-time links and sockets (COM ports, control sockets): $XDG_RUNTIME_DIR/nimbrel, else
// nimbrel-run-<uid> in the temporary folder. Created mode 0700 when missing. An existing one
// must be a folder (not a link), owned by this user and closed to group and others; anything
// else is refused, never repaired, because another user could then reach what lives there.
PrivateFolder RuntimeFolder();

// Why `folder` cannot serve as a private folder of user `owner`; empty when it can.
std::string PrivateFolderProblem(const std::filesystem::path& folder, uid_t owner);

}  // namespace platform

#pragma GCC visibility pop
