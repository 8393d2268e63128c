#pragma once
// Opening the registry file so that a damaged one is kept, not written over: it goes aside
// under a name of its own and a new file takes its place.
#include <filesystem>

#include "platform/registry/registry_file.h"

namespace platform::registry {

// Opens the registry file at `file`. When it is damaged, it is renamed to
// "<file>.corrupt-<UTC time>" ("-2", "-3", ... added when that name is taken; never over an
// existing file), its write-ahead log with it, and a new file is opened in its place; the
// report of it is recorded for TakeDamagedFileReport. Processes finding the same damage at
// once take turns: the first sets the file aside, the others open the new one.
OpenedFile OpenSettingDamageAside(const std::filesystem::path& file);

}  // namespace platform::registry
