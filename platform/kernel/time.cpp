#include "platform/kernel/time.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace {

void Fill(SYSTEMTIME* out, const std::tm& tm, long milliseconds) {
    out->wYear = static_cast<WORD>(tm.tm_year + 1900);
    out->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    out->wDay = static_cast<WORD>(tm.tm_mday);
    out->wHour = static_cast<WORD>(tm.tm_hour);
    out->wMinute = static_cast<WORD>(tm.tm_min);
    out->wSecond = static_cast<WORD>(tm.tm_sec);
    out->wMilliseconds = static_cast<WORD>(milliseconds);
}

void Now(SYSTEMTIME* out, bool local) {
    if (!out) return;
    auto now = std::chrono::system_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    if (local) localtime_r(&seconds, &tm); else gmtime_r(&seconds, &tm);
    Fill(out, tm, static_cast<long>(ms));
}

}  // namespace

void GetLocalTime(SYSTEMTIME* time) { Now(time, true); }
void GetSystemTime(SYSTEMTIME* time) { Now(time, false); }

DWORD GetTickCount() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
