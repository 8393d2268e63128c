// Every test program runs each test in a process of its own (see tests/CMakeLists.txt);
// this entry point gives that process a fresh, private Nimbrel home folder and, in the areas
// that use it, the simulated radio with the built-in world and (for the program's tests) a Qt
// application on the offscreen platform.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <string>

#ifdef NIMBREL_TEST_WITH_RADIO
#include "sim/simulated_radio.h"
#endif
#ifdef NIMBREL_TEST_WITH_QT
#include <QApplication>
#endif
#ifdef NIMBREL_TEST_ON_XVFB
#include "e2e/xvfb_display.h"
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::string pattern = (std::filesystem::temp_directory_path() / "nimbrel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 2;
    setenv("NIMBREL_HOME", pattern.c_str(), 1);
    setenv("XDG_RUNTIME_DIR", pattern.c_str(), 1);
    unsetenv("NIMBREL_WORLD");
    // The simulated radio, for this process and every host a test starts, even on a machine
    // whose own bluetoothd answers.
    setenv("NIMBREL_BACKEND", "sim", 1);
#ifdef NIMBREL_TEST_WITH_RADIO
    if (!sim::InstallSimulatedRadio()) return 2;
#endif
#ifdef NIMBREL_TEST_ON_XVFB
    // The real window on a virtual display; without Xvfb the tests skip themselves.
    testsupport::XvfbDisplay xvfb;
    const std::string display = ::testing::GTEST_FLAG(list_tests) ? std::string() : xvfb.Start();
    if (display.empty()) setenv("NIMBREL_TEST_NO_DISPLAY", "1", 1);
    else setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", display.empty() ? "offscreen" : "xcb", 1);
    unsetenv("WAYLAND_DISPLAY");
#elif defined(NIMBREL_TEST_WITH_QT)
    // The program's widgets, on a platform that needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
#endif
#ifdef NIMBREL_TEST_WITH_QT
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
#endif
    int result = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(pattern, ec);
    return result;
}
