#pragma once
// Records the engine's error reports as a host would receive them, for tests to wait on.
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/frame/error_manager.h"

namespace testsupport {

struct Report {
    int code;
    bool hasMessage;
    std::wstring message;
    std::wstring context;
    std::thread::id thread;
};

class ErrorLog {
public:
    // Attaches the log as the catch-all's receiver, as the program does.
    static ErrorLog& Attach();
    static ErrorLog& Instance();
    static int Receive(int code, const wchar_t* message, const wchar_t* context, void* param);

    std::vector<Report> Reports();
    // Waits (generously) until `count` reports arrived; false on time-out.
    bool WaitFor(size_t count);
    // The codes received so far.
    std::vector<int> Codes();
    bool Has(int code);

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<Report> reports_;
};

}  // namespace testsupport
