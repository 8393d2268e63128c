#pragma once
// The one way engine threads reach the main window. The window attaches itself when it is
// made and detaches before it goes; an engine thread's post runs under the link's lock and
// only while the window it names is attached, so no post ever lands on a deleted window.
#include <functional>

class CMainFrame;

namespace framelink {

void Attach(CMainFrame* frame);
void Detach(CMainFrame* frame);

// Runs `post` (which should only queue work) with the attached window when it is `frame`,
// or with whichever is attached when `frame` is null. False when there was none.
bool WithLiveFrame(CMainFrame* frame, const std::function<void(CMainFrame&)>& post);

}  // namespace framelink
