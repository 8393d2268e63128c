#pragma once
// Shows one transfer's progress from the engine's callback on standard error: a bar on a
// terminal, a percentage a line otherwise. The engine calls back for every block it moves;
// a percentage is shown only when it changed, and at most a few times a second (the end
// always), so that showing it costs nothing beside the transfer.
#include <chrono>
#include <mutex>

#include "engine/obex/client_obex.h"

namespace ctl {

class TransferProgress {
public:
    TransferProgress();
    static void Callback(int code, long context);
    long context() { return reinterpret_cast<long>(this); }

private:
    void Show(int code);

    std::mutex lock_;
    const bool terminal_;
    bool shown_ = false;  // a bar is on the terminal's line
    int last_ = -1;       // the percentage shown last; -1 none yet
    std::chrono::steady_clock::time_point lastAt_;
};

}  // namespace ctl
