// nimbrelctl, run as people run it: what one run does, the next one finds.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/kernel/paths.h"
#include "support/tools.h"

namespace {

const char* kWorld = R"({"devices": [{"name": "My Phone", "address": "00:12:AB:34:CD:56", "class": "0x5A020C",
    "pin": "1234", "services": [{"profile": "spp", "channel": 2}]}]})";

// Runs nimbrelctl on the test world; its standard error goes to `errors` when given.
int RunCtl(const std::string& args, std::string* output = nullptr, std::string* errors = nullptr) {
    static const std::string world = [] {
        const std::string path = (platform::NimbrelHome() / "world.json").string();
        std::ofstream(path) << kWorld;
        return path;
    }();
    const std::string errorPath = (platform::NimbrelHome() / "nimbrelctl.err").string();
    if (output) output->clear();
    const int status = testsupport::RunCommand(testsupport::ToolPath("nimbrelctl") + " --world " + world + " " +
                                                   args + " 2>" + (errors ? errorPath : "/dev/null"),
                                               output);
    if (errors) {
        std::ifstream file(errorPath);
        *errors = std::string(std::istreambuf_iterator<char>(file), {});
    }
    return status;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(ConsoleHost, PairingAndShortcutsLastAcrossRuns) {
    std::string output;
    EXPECT_EQ(RunCtl("pair 00:12:AB:34:CD:56 0000", &output), 1);
    EXPECT_EQ(output, "00:12:ab:34:cd:56\tpaired\t0\n");
    EXPECT_EQ(RunCtl("pair 00:12:AB:34:CD:56 1234", &output), 0);
    EXPECT_EQ(output, "00:12:ab:34:cd:56\tpaired\t1\n");
    EXPECT_EQ(RunCtl("scan", &output), 0);
    EXPECT_EQ(output, "00:12:ab:34:cd:56\t0x5a020c\t1\tMy Phone\n");

    EXPECT_EQ(RunCtl("shortcut save 00:12:AB:34:CD:56 1", &output), 0);
    EXPECT_EQ(RunCtl("shortcuts", &output), 0);
    EXPECT_EQ(output, "00:12:ab:34:cd:56\tMy Phone\t1\tSerial Port\t-\n");
    EXPECT_EQ(RunCtl("shortcut delete 00:12:AB:34:CD:56 1"), 0);
    EXPECT_EQ(RunCtl("shortcut delete 00:12:AB:34:CD:56 1"), 1);
    EXPECT_EQ(RunCtl("shortcut save 00:12:AB:34:CD:56 9"), 2);
}

// Random bytes where the registry file should be: the start says what became of them, they
// stay whole under another name, and the settings work again from that start on.
TEST(ConsoleHost, ADamagedRegistryIsKeptAsideToldOfOnceAndSettingsWorkAfter) {
    const std::filesystem::path home = platform::NimbrelHome();
    std::mt19937 noise(7);
    std::string damaged(32 * 1024, '\0');
    for (char& byte : damaged) byte = static_cast<char>(noise());
    std::ofstream(home / "registry.db", std::ios::binary) << damaged;

    std::string output, errors;
    ASSERT_EQ(RunCtl("status", &output, &errors), 0) << errors;
    EXPECT_EQ(output.rfind("backend\tsim\npower\ton\nname\t", 0), 0u) << output;
    const std::string told = "error 70513: The registry file " + (home / "registry.db").string() +
                             " was damaged (it is not a database) and was kept as ";
    const auto toldAt = errors.find(told);
    ASSERT_NE(toldAt, std::string::npos) << errors;
    const auto keptEnd = errors.find("; starting with empty settings. (CDeviceLocal::CDeviceLocal)\n", toldAt);
    ASSERT_NE(keptEnd, std::string::npos) << errors;
    const std::string kept = errors.substr(toldAt + told.size(), keptEnd - toldAt - told.size());
    EXPECT_EQ(kept.rfind((home / "registry.db.corrupt-").string(), 0), 0u) << kept;
    EXPECT_TRUE(ReadAll(kept) == damaged);
    EXPECT_EQ(Count(errors, "was kept as"), 1u) << "reported by the engine, not again as the process ends";

    EXPECT_EQ(RunCtl("pair 00:12:AB:34:CD:56 1234", &output), 0);
    EXPECT_EQ(RunCtl("scan", &output, &errors), 0);
    EXPECT_EQ(output, "00:12:ab:34:cd:56\t0x5a020c\t1\tMy Phone\n") << "the pairing was kept in the new file";
    EXPECT_EQ(errors.find("70513"), std::string::npos) << errors;
}

// The adapter's power and findability are the user's switches: each run finds them as the last
// one left them, and a switched-off adapter refuses at once what needs the radio.
TEST(ConsoleHost, PowerAndFindableLastAcrossRunsAndSwitchedOffCommandsFailAtOnce) {
    std::string output, errors;
    ASSERT_EQ(RunCtl("--backend sim status", &output, &errors), 0) << errors;
    EXPECT_EQ(output.rfind("backend\tsim\npower\ton\n", 0), 0u) << output;

    EXPECT_EQ(RunCtl("power off", &output), 0);
    EXPECT_EQ(output, "");
    ASSERT_EQ(RunCtl("status", &output), 0);
    EXPECT_EQ(output.rfind("backend\tsim\npower\toff\n", 0), 0u) << output;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(RunCtl("scan", &output, &errors), 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "not after the hardware re-reads";
    EXPECT_EQ(errors, "nimbrelctl: the adapter is powered off: switch it on with 'nimbrelctl power on'\n");
    EXPECT_EQ(output, "");

    EXPECT_EQ(RunCtl("findable off", &output), 0);
    EXPECT_EQ(output, "");
    EXPECT_EQ(RunCtl("power on"), 0);
    ASSERT_EQ(RunCtl("status", &output), 0);
    EXPECT_NE(output.find("power\ton\n"), std::string::npos) << output;
    EXPECT_NE(output.find("findable\t0\n"), std::string::npos) << output;
    EXPECT_EQ(RunCtl("scan", &output), 0);
    EXPECT_EQ(output, "00:12:ab:34:cd:56\t0x5a020c\t0\tMy Phone\n");

    EXPECT_EQ(RunCtl("power sideways"), 2);
    EXPECT_EQ(RunCtl("--backend carrier-pigeon status", &output, &errors), 2);
    EXPECT_EQ(errors, "nimbrelctl: --backend: unknown backend 'carrier-pigeon' (sim, bluez or auto)\n");
}

// BlueZ asked for but unreachable: a message and exit 1, bounded in time.
TEST(ConsoleHost, AnUnreachableBlueZIsToldAndEndsTheRun) {
    const std::string ctl = testsupport::ToolPath("nimbrelctl");
#ifndef NIMBREL_TEST_WITH_BLUEZ
    const auto without = testsupport::RunCapturing(ctl + " --backend bluez status");
    EXPECT_EQ(without.status, 1);
    EXPECT_EQ(without.err, "nimbrelctl: built without BlueZ support: use --backend sim\n");
    GTEST_SKIP() << "built without the BlueZ backend";
#else
    const std::string bus = "unix:path=" + (platform::NimbrelHome() / "no-such-bus").string();
    const auto started = std::chrono::steady_clock::now();
    const auto outcome =
        testsupport::RunCapturing("DBUS_SYSTEM_BUS_ADDRESS=" + bus + " " + ctl + " --backend bluez status");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err.rfind("nimbrelctl: ", 0), 0u) << outcome.err;
    EXPECT_GT(outcome.err.size(), std::string("nimbrelctl: \n").size()) << outcome.err;
#endif
}

}  // namespace
