#pragma once
// A virtual X display of the test program's own: Xvfb started on a display number it picks
// itself (-displayfd), ended when the program ends (or dies).
#include <sys/types.h>

#include <string>

namespace testsupport {

class XvfbDisplay {
public:
    XvfbDisplay() = default;
    ~XvfbDisplay();
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;

    // ":N" once the server answers; empty when Xvfb is not installed or did not start.
    std::string Start();

private:
    pid_t m_pid = -1;
};

}  // namespace testsupport
