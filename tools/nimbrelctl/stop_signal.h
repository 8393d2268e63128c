#pragma once
// The long-running commands stay until SIGINT or SIGTERM. Their thread waits here, and can be
// woken for other work (a PIN request to answer, say) from any thread.
namespace ctl {

enum class Woken { Stop, Wake, TimeOut };

// Catches SIGINT and SIGTERM from now on; once per process, before the first Wait.
bool CatchStopSignals();
// Waits for a stop signal, a Wake, or `milliseconds` (negative: no limit).
Woken WaitForStopOrWake(int milliseconds = -1);
// Wakes the waiting thread once; safe on any thread.
void Wake();

}  // namespace ctl
