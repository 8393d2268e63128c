#include "error_log.h"

#include <chrono>

namespace testsupport {

ErrorLog& ErrorLog::Instance() {
    static ErrorLog log;
    return log;
}

ErrorLog& ErrorLog::Attach() {
    AddCommunication(0, NewCallBack(&ErrorLog::Receive), ERROR_TYPE_UNKNOWN);
    return Instance();
}

int ErrorLog::Receive(int code, const wchar_t* message, const wchar_t* context, void*) {
    auto& log = Instance();
    std::lock_guard lock(log.mutex_);
    log.reports_.push_back({code, message != nullptr, message ? message : L"", context ? context : L"",
                            std::this_thread::get_id()});
    log.arrived_.notify_all();
    return 0;
}

std::vector<Report> ErrorLog::Reports() {
    std::lock_guard lock(mutex_);
    return reports_;
}

bool ErrorLog::WaitFor(size_t count) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::seconds(30), [&] { return reports_.size() >= count; });
}

std::vector<int> ErrorLog::Codes() {
    std::vector<int> codes;
    for (auto& report : Reports()) codes.push_back(report.code);
    return codes;
}

bool ErrorLog::Has(int code) {
    for (int c : Codes())
        if (c == code) return true;
    return false;
}

}  // namespace testsupport
