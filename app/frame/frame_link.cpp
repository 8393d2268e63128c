#include "app/frame/frame_link.h"

#include <mutex>

namespace framelink {
namespace {
std::mutex g_lock;
CMainFrame* g_frame = nullptr;
}  // namespace

void Attach(CMainFrame* frame) {
    std::lock_guard lock(g_lock);
    g_frame = frame;
}

void Detach(CMainFrame* frame) {
    std::lock_guard lock(g_lock);
    if (g_frame == frame) g_frame = nullptr;
}

bool WithLiveFrame(CMainFrame* frame, const std::function<void(CMainFrame&)>& post) {
    std::lock_guard lock(g_lock);
    if (!g_frame || (frame && frame != g_frame)) return false;
    post(*g_frame);
    return true;
}

}  // namespace framelink
