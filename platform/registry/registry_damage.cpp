#include "platform/registry/registry_damage.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace platform::registry {
namespace {

struct Recorded {
    std::mutex lock;
    std::optional<DamagedFile> report;
};

// Never destroyed: the exit handler reads it after static objects may have gone.
Recorded& TheRecord() {
    static Recorded* recorded = new Recorded;
    return *recorded;
}

void WriteUntakenReport() {
    Recorded& recorded = TheRecord();
    std::lock_guard guard(recorded.lock);
    if (recorded.report)
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, recorded.report->Describe().c_str());
}

}  // namespace

std::string DamagedFile::Describe() const {
    const std::string start = "The registry file " + file.string();
    if (!keptAs.empty())
        return start + " was damaged (" + problem + ") and was kept as " + keptAs.string() +
               "; starting with empty settings.";
    return start + " is damaged (" + problem + ") and could not be kept under another name (" + moveError +
           "); settings can be neither read nor saved.";
}

void RecordDamagedFile(DamagedFile report) {
    static std::once_flag atExit;
    std::call_once(atExit, [] { std::atexit(WriteUntakenReport); });
    Recorded& recorded = TheRecord();
    std::lock_guard guard(recorded.lock);
    recorded.report = std::move(report);
}

std::optional<DamagedFile> TakeRecordedDamagedFile() {
    Recorded& recorded = TheRecord();
    std::lock_guard guard(recorded.lock);
    return std::exchange(recorded.report, std::nullopt);
}

}  // namespace platform::registry
