#include "transfer_progress.h"

#include <unistd.h>

#include <cstdio>

namespace ctl {

void TransferProgress::Callback(int code, long context) { reinterpret_cast<TransferProgress*>(context)->Show(code); }

void TransferProgress::Show(int code) {
    std::lock_guard lock(lock_);
    const bool terminal = isatty(STDERR_FILENO) != 0;
    if (code >= 0 && code <= 100) {
        if (terminal) {
            constexpr int kWidth = 40;
            const int filled = code * kWidth / 100;
            std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
                         kWidth - filled, "", code);
            shown_ = true;
        } else {
            std::fprintf(stderr, "%d%%\n", code);
        }
    } else if (code == PROGRESS_END && shown_) {
        std::fputc('\n', stderr);
        shown_ = false;
    }
    std::fflush(stderr);
}

}  // namespace ctl
