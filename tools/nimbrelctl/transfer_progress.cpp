#include "transfer_progress.h"

#include <unistd.h>

#include <cstdio>

namespace ctl {
namespace {

// Between two percentages shown: on a terminal the bar moves smoothly, a log gets few lines.
constexpr auto kBarInterval = std::chrono::milliseconds(100);
constexpr auto kLineInterval = std::chrono::milliseconds(500);

}  // namespace

TransferProgress::TransferProgress() : terminal_(isatty(STDERR_FILENO) != 0) {}

void TransferProgress::Callback(int code, long context) { reinterpret_cast<TransferProgress*>(context)->Show(code); }

void TransferProgress::Show(int code) {
    std::lock_guard lock(lock_);
    if (code >= 0 && code <= 100) {
        const auto now = std::chrono::steady_clock::now();
        const bool due = last_ < 0 || code == 100 || now - lastAt_ >= (terminal_ ? kBarInterval : kLineInterval);
        if (code == last_ || !due) return;
        last_ = code;
        lastAt_ = now;
        if (terminal_) {
            constexpr int kWidth = 40;
            const int filled = code * kWidth / 100;
            std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
                         kWidth - filled, "", code);
            shown_ = true;
        } else {
            std::fprintf(stderr, "%d%%\n", code);
        }
    } else if (code == PROGRESS_START) {
        last_ = -1;
        return;
    } else if (code == PROGRESS_END && shown_) {
        std::fputc('\n', stderr);
        shown_ = false;
    } else {
        return;
    }
    std::fflush(stderr);
}

}  // namespace ctl
