#pragma once
// Shows one transfer's progress from the engine's callback on standard error: a bar on a
// terminal, one percentage a line otherwise.
#include <mutex>

#include "engine/obex/client_obex.h"

namespace ctl {

class TransferProgress {
public:
    static void Callback(int code, long context);
    long context() { return reinterpret_cast<long>(this); }

private:
    void Show(int code);

    std::mutex lock_;
    bool shown_ = false;  // a bar is on the terminal's line
};

}  // namespace ctl
