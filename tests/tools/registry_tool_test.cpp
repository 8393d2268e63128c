// nimbrel-reg, run as people run it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/kernel/paths.h"
#include "platform/registry/registry.h"
#include "support/tools.h"

namespace {

// Single-quoted for the shell.
std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs nimbrel-reg with these arguments; stdout (and stderr too if asked) into *output.
int RunTool(const std::vector<std::string>& args, std::string* output = nullptr, bool withErrors = false) {
    std::string command = testsupport::ToolPath("nimbrel-reg");
    for (const auto& arg : args) command += " " + Quoted(arg);
    command += withErrors ? " 2>&1" : " 2>/dev/null";
    return testsupport::RunCommand(command, output);
}

TEST(RegistryTool, BadArgumentsExitWithUsage) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"frobnicate"},
        {"get"},
        {"get", "k", "n", "extra"},
        {"set", "k", "n", "dword"},
        {"set", "k", "n", "qword", "1"},
        {"set", "k", "n", "dword", "12x"},
        {"set", "k", "n", "dword", "-1"},
        {"set", "k", "n", "dword", "4294967296"},
        {"set", "k", "n", "dword", "0x1FFFFFFFF"},
        {"set", "k", "n", "dword", "0x"},
        {"set", "k", "n", "binary", "3z"},
        {"set", "k", "n", "binary", "123"},
        {"set", "k", "n", "binary", "31 2 33"},
        {"delete", "k"},
        {"delete-key"},
        {"list", "a", "b"},
        {"export", "a", "b"},
        {"import", "a", "b"},
    };
    for (const auto& args : bad) {
        std::string output;
        EXPECT_EQ(RunTool(args, &output, true), 2) << testing::PrintToString(args);
        EXPECT_NE(output.find("nimbrel-reg"), std::string::npos) << testing::PrintToString(args);
    }
    // None of them wrote anything.
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"k", 0, 0, &key), ERROR_FILE_NOT_FOUND);

    std::string help;
    EXPECT_EQ(RunTool({"--help"}, &help), 0);
    for (const char* setting :
         {"Scan Period", "Reconnection Timeout", "ElapsedTimeInquiryDevice", "ElapsedTimeConnecting"})
        EXPECT_NE(help.find(setting), std::string::npos) << setting;
}

TEST(RegistryTool, SetGetAndDeleteValues) {
    std::string output;
    ASSERT_EQ(RunTool({"set", "software/Trevanix/Nimbrel", "Scan Period", "dword", "0x1F"}), 0);
    ASSERT_EQ(RunTool({"get", "HKLM\\software\\trevanix\\nimbrel", "SCAN PERIOD"}, &output), 0);
    EXPECT_EQ(output, "31 (0x0000001f)\n");

    ASSERT_EQ(
        RunTool({"set", "HKEY_LOCAL_MACHINE/software/Trevanix/Nimbrel", "pin0012ab34cd56", "binary", "31 32 3334"}), 0);
    output.clear();
    ASSERT_EQ(RunTool({"get", "software/Trevanix/Nimbrel", "pin0012ab34cd56"}, &output), 0);
    EXPECT_EQ(output, "31 32 33 34\n");

    ASSERT_EQ(RunTool({"set", "software/Trevanix/Nimbrel", "0012ab34cd56_Paired", "string", "Ünïcode ☎ 'phone'"}), 0);
    output.clear();
    ASSERT_EQ(RunTool({"get", "software/Trevanix/Nimbrel", "0012ab34cd56_Paired"}, &output), 0);
    EXPECT_EQ(output, "Ünïcode ☎ 'phone'\n");
    wchar_t text[32];
    DWORD size = sizeof text / 2;
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"software\\Trevanix\\Nimbrel", 0, KEY_READ, &key), 0);
    ASSERT_EQ(RegQueryValueExW(key, L"0012ab34cd56_Paired", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), 0);
    EXPECT_STREQ(text, L"Ünïcode ☎ 'phone'");
    EXPECT_EQ(size, 36u);

    output.clear();
    EXPECT_EQ(RunTool({"list", "software"}, &output), 0);
    EXPECT_NE(output.find("HKEY_LOCAL_MACHINE\\software\\Trevanix\\Nimbrel\n"), std::string::npos) << output;
    EXPECT_NE(output.find("REG_DWORD"), std::string::npos) << output;

    EXPECT_EQ(RunTool({"get", "software/Trevanix/Nimbrel", "missing"}), 1);
    EXPECT_EQ(RunTool({"get", "software/Missing", "x"}), 1);
    EXPECT_EQ(RunTool({"delete", "software/Trevanix/Nimbrel", "scan period"}), 0);
    EXPECT_EQ(RunTool({"delete", "software/Trevanix/Nimbrel", "Scan Period"}), 1);
    EXPECT_EQ(RunTool({"delete-key", "software/Trevanix"}), 0);
    EXPECT_EQ(RunTool({"delete-key", "software/Trevanix"}), 1);
    EXPECT_EQ(RunTool({"delete-key", "HKLM"}), 1);
    EXPECT_EQ(RunTool({"list", "software/Trevanix"}), 1);
    RegCloseKey(key);
}

TEST(RegistryTool, ExportThenImportRestoresAndBadTextWritesNothing) {
    ASSERT_EQ(RunTool({"set", "software/Trevanix/Nimbrel", "Scan Period", "dword", "5"}), 0);
    ASSERT_EQ(RunTool({"set", "software/Trevanix/Nimbrel", "quote\"back\\slash", "string", "two\nlines"}), 0);
    ASSERT_EQ(RunTool({"set", "software/Trevanix/Nimbrel/Devices/0012ab34cd56", "", "binary", ""}), 0);
    std::string exported;
    ASSERT_EQ(RunTool({"export", "software"}, &exported), 0);
    const std::string file = (platform::NimbrelHome() / "saved.txt").string();
    std::ofstream(file) << exported;

    ASSERT_EQ(RunTool({"delete-key", "software"}), 0);
    ASSERT_EQ(RunTool({"import", file}), 0);
    std::string again;
    ASSERT_EQ(RunTool({"export", "software"}, &again), 0);
    EXPECT_EQ(again, exported);

    // A bad line anywhere: exit 2 naming the line, and not even the lines before it are loaded.
    std::string message;
    EXPECT_EQ(testsupport::RunCommand("printf '[fresh]\\n\"a\"=dword:1\\n\"b\"=dword:xyz\\n' | " +
                                          testsupport::ToolPath("nimbrel-reg") + " import - 2>&1",
                                      &message),
              2);
    EXPECT_NE(message.find(":3:"), std::string::npos) << message;
    EXPECT_EQ(RunTool({"get", "fresh", "a"}), 1);
    EXPECT_EQ(RunTool({"import", (platform::NimbrelHome() / "no-such-file").string()}), 1);
}

}  // namespace
