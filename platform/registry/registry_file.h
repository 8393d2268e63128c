#pragma once
// Opening the registry file: a connection to a file that holds our tables with current folds,
// or the reason it cannot hold them.
#include <filesystem>

#include "platform/kernel/types.h"

struct sqlite3;

namespace platform::registry {

struct OpenedFile {
    sqlite3* db = nullptr;  // null unless error is ERROR_SUCCESS
    LONG error = ERROR_SUCCESS;
    // Set when the file is there but is no registry of ours (not a database, damaged, or a
    // database of some other kind), for people; error is then ERROR_BADDB.
    const char* damage = nullptr;
};

// Opens the file at `path` (a new one when missing) and makes our tables where it has none,
// once it has checked, writing nothing, that an existing file holds them and reads whole.
OpenedFile OpenRegistryFile(const std::filesystem::path& path);

}  // namespace platform::registry
