#include "stop_signal.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

namespace ctl {
namespace {

// A signal handler may only write to a pipe: one byte per event, telling which.
constexpr char kStop = 1;
constexpr char kWake = 2;
int g_pipe[2] = {-1, -1};

void Post(char event) {
    if (g_pipe[1] >= 0) [[maybe_unused]] ssize_t written = write(g_pipe[1], &event, 1);
}

void OnStopSignal(int) { Post(kStop); }

}  // namespace

bool CatchStopSignals() {
    if (g_pipe[0] < 0 && pipe(g_pipe) != 0) return false;
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return true;
}

Woken WaitForStopOrWake(int milliseconds) {
    std::fflush(stdout);
    std::fflush(stderr);
    pollfd readable{g_pipe[0], POLLIN, 0};
    for (;;) {
        const int ready = poll(&readable, 1, milliseconds);
        if (ready == 0) return Woken::TimeOut;
        if (ready < 0) {
            if (errno == EINTR) continue;
            return Woken::Stop;  // nothing to wait on: the command ends rather than spins
        }
        char event = 0;
        if (read(g_pipe[0], &event, 1) == 1) return event == kStop ? Woken::Stop : Woken::Wake;
    }
}

void Wake() { Post(kWake); }

}  // namespace ctl
