// nimbrel-reg: reads and changes the registry Nimbrel keeps in NIMBREL_HOME/registry.db.
#include <iostream>
#include <string_view>

#include "tools/nimbrel-reg/commands.h"

namespace {

constexpr std::string_view kUsage = R"(Usage: nimbrel-reg COMMAND [ARGUMENTS]

Reads and changes Nimbrel's registry ($NIMBREL_HOME/registry.db). Changes are seen at once
by a running Nimbrel.

Commands:
  get KEY [NAME]              print a value (no NAME: the key's default value)
  set KEY NAME string TEXT    write a string value; KEY is created as needed
  set KEY NAME dword N        write a 32-bit number, decimal or 0x hex
  set KEY NAME binary HEX     write bytes, e.g. 31323334 or "31 32 33 34"
  delete KEY NAME             delete a value
  delete-key KEY              delete a key with all its subkeys and values
  list [KEY]                  show KEY and every key under it with their values
                              (no KEY: the whole of HKEY_LOCAL_MACHINE)
  export [KEY]                write KEY and every key under it as text, to standard output
  import [FILE|-]             load text written by export (no FILE or -: standard input);
                              a syntax error is reported with its line and nothing is loaded
  --help                      show this text

KEY is a path under HKEY_LOCAL_MACHINE, with '\' or '/' between names, such as
software/Trevanix/Nimbrel; an HKLM\ or HKEY_LOCAL_MACHINE\ prefix is allowed. Names do not
depend on case. NAME "" is the key's default value. Text is UTF-8.

Nimbrel reads some settings that nothing in it ever writes; set them with this tool.
Under software\Trevanix\Nimbrel:
  "Scan Period", "Reconnection Timeout", "ElapsedTimeInquiryDevice", "ElapsedTimeConnecting"
for example:
  nimbrel-reg set software/Trevanix/Nimbrel "Scan Period" dword 5

Exit status: 0 done; 1 failed (such as a value not found or an unusable registry file);
2 bad arguments or, for import, bad text.
)";

struct Command {
    std::string_view name;
    int (*run)(const nimbrel_reg::Arguments&);
};

constexpr Command kCommands[] = {
    {"get", nimbrel_reg::Get},       {"set", nimbrel_reg::Set},
    {"delete", nimbrel_reg::Delete}, {"delete-key", nimbrel_reg::DeleteKey},
    {"list", nimbrel_reg::List},     {"export", nimbrel_reg::Export},
    {"import", nimbrel_reg::Import},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << kUsage;
        return nimbrel_reg::kExitUsage;
    }
    std::string_view command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return nimbrel_reg::kExitDone;
    }
    for (const auto& known : kCommands)
        if (known.name == command) return known.run(nimbrel_reg::Arguments(argv + 2, argv + argc));
    std::cerr << "nimbrel-reg: unknown command \"" << command << "\"\n\n" << kUsage;
    return nimbrel_reg::kExitUsage;
}
