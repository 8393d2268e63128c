// Posts many error reports to a slow receiver and leaves at once: unloading the engine must
// stop its dispatcher without delivering the rest, and without hanging or crashing.
#include <chrono>
#include <cstdio>
#include <thread>

#include "engine/frame/error_manager.h"

static int SlowReceiver(int, const wchar_t*, const wchar_t*, void*) {
    std::printf("delivered\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a host that takes its time
    return 0;
}

int main() {
    NewError(790100, L"probe");
    AddCommunication(790100, NewCallBack(&SlowReceiver), ERROR_TYPE_ERROR);
    for (int i = 0; i < 200; ++i) PostError(790100, L"Probe::main");
    std::printf("posted\n");
    std::fflush(stdout);
    return 0;
}
