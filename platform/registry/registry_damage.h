#pragma once
// A registry file found damaged (or holding no registry of ours) when a process first opens
// the registry is never written over: it is kept under another name and a new, empty one is
// started. What happened is told once, to whoever asks for it; the engine does when it
// starts, and what nobody asked for is written on standard error when the process exits.
#include <filesystem>
#include <optional>
#include <string>

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace platform::registry {

struct DamagedFile {
    std::filesystem::path file;    // the registry file
    std::string problem;           // what is wrong with it, for people
    std::filesystem::path keptAs;  // where the damaged file is now; empty when it could not be moved
    std::string moveError;         // why it could not be moved, for people

    // One sentence for people that says all of it.
    std::string Describe() const;
};

// Opens the registry if this process has not yet, and hands over, once, what became of a
// damaged file found then; nothing when there was none or it was handed over before.
std::optional<DamagedFile> TakeDamagedFileReport();

}  // namespace platform::registry

#pragma GCC visibility pop

namespace platform::registry {

// For the store: keeps the report until it is taken (or the process exits).
void RecordDamagedFile(DamagedFile report);
std::optional<DamagedFile> TakeRecordedDamagedFile();

}  // namespace platform::registry
