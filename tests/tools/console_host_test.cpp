// nimbrelctl, run as people run it: what one run does, the next one finds.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/kernel/paths.h"
#include "support/tools.h"

namespace {

const char* kWorld = R"({"devices": [{"name": "My Phone", "address": "00:12:AB:34:CD:56", "class": "0x5A020C",
    "pin": "1234", "services": [{"profile": "spp", "channel": 2}]}]})";

int RunCtl(const std::string& args, std::string* output = nullptr) {
    static const std::string world = [] {
        const std::string path = (platform::NimbrelHome() / "world.json").string();
        std::ofstream(path) << kWorld;
        return path;
    }();
    if (output) output->clear();
    return testsupport::RunCommand(testsupport::ToolPath("nimbrelctl") + " --world " + world + " " + args +
                                       " 2>/dev/null",
                                   output);
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

}  // namespace
