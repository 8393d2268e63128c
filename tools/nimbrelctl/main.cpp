// nimbrelctl: the engine from a shell. Every command prints tab-separated records on standard
// output; engine error reports go to standard error.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "commands.h"
#include "console.h"
#include "notification_hub.h"
#include "radio_commands.h"
#include "tools/common/backend_choice.h"

namespace {

void Usage(FILE* out) {
    std::fputs(
        "usage: nimbrelctl [--backend sim|bluez|auto] [--world FILE] COMMAND [ARGS]\n"
        "\n"
        "commands:\n"
        "  status             the local adapter: backend, power, name, address, class, findable,\n"
        "                     authenticate\n"
        "  power on|off       switch the adapter's power\n"
        "  findable on|off    let other devices discover the adapter, or not\n"
        "  scan               discover the devices around: ADDRESS CLASS PAIRED NAME\n"
        "  services ADDRESS   discover a device's services: ID NAME\n"
        "  ports              the free COM port indexes, one a line\n"
        "  connect ADDRESS spp|dun [--port N]\n"
        "                     connect a serial or dial-up service to a COM port: COMn PATH;\n"
        "                     stays until interrupted, then disconnects\n"
        "  server [--port N]  offer our serial-port server: port, path, channel, handle, record;\n"
        "                     stays until interrupted\n"
        "  pair ADDRESS PIN   pair with a device: ADDRESS paired 0|1; exit 1 when pairing failed\n"
        "  unpair ADDRESS     forget a pairing: ADDRESS paired 0|1\n"
        "  watch [--pin PIN] [--confirm]\n"
        "                     switch on and answer PIN requests with PIN, and say yes to devices\n"
        "                     that ask to confirm a passkey (ADDRESS confirm PASSKEY); refuse\n"
        "                     without; stays until interrupted\n"
        "  shortcuts          the saved shortcuts: ADDRESS DEVICE ID SERVICE COMn|-\n"
        "  shortcut save|delete ADDRESS ID\n"
        "                     save a shortcut to a device's service (found anew), or delete one\n"
        "  push ADDRESS FILE  send a file to a device's Object Push service\n"
        "  ls ADDRESS [FOLDER]\n"
        "                     list a device's folder: TYPE SIZE NAME (folder - NAME, file SIZE NAME)\n"
        "  get ADDRESS REMOTE-PATH [--to DIR]\n"
        "                     fetch a remote file into DIR (default: here); prints the local path\n"
        "  put ADDRESS FOLDER FILE\n"
        "                     upload a file into a remote folder (\"/\" the root)\n"
        "  rm ADDRESS REMOTE-PATH\n"
        "                     delete a remote file or empty folder\n"
        "  obex-server [--accept] [--tcp ADDRESS:PORT]\n"
        "                     receive files (Object Push into the ObexOPP folder) and share the\n"
        "                     ObexFTP folder (File Transfer) with paired devices, or with every\n"
        "                     device with --accept; also on a loopback TCP port with --tcp:\n"
        "                     received PATH ADDRESS SIZE, refused NAME ADDRESS REASON; stays until\n"
        "                     interrupted\n"
        "  radio hosts        the running programs with a simulated radio: PID PROGRAM\n"
        "  radio leave|return|pair-request|serial-connect ADDRESS [--pid P]\n"
        "                     in the radio of a running program (the only one, or pid P), the\n"
        "                     device leaves range, comes back, asks to pair, or connects to our\n"
        "                     serial server\n"
        "  radio push ADDRESS FILE [--pid P]\n"
        "                     the device pushes FILE (at most 64 MiB) to our Object Push server;\n"
        "                     prints the final response (exit 1 when it was refused)\n"
        "  radio browse ADDRESS [--pid P]\n"
        "                     the device lists our File Transfer server's folder; prints the listing\n"
        "\n"
        "connect, server and watch print every notification and error report on standard error;\n"
        "transfers show their progress there.\n"
        "The radio is --backend's, else $NIMBREL_BACKEND's, else auto: BlueZ (bluetoothd on the system\n"
        "bus) when it answers with an adapter, else the simulated radio. radio commands always talk to\n"
        "another program's simulated radio.\n"
        "The simulated neighbourhood comes from --world FILE, else $NIMBREL_WORLD, else the built-in world.\n"
        "Exit status: 0 success, 1 the engine failed, 2 bad usage or a bad world file.\n",
        out);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        Usage(stdout);
        return ctl::kExitOk;
    }
    std::optional<std::string> backendOption;
    while (!args.empty() && (args[0] == "--world" || args[0] == "--backend")) {
        if (args.size() < 2) {
            Usage(stderr);
            return ctl::kExitUsage;
        }
        if (args[0] == "--world")
            setenv("NIMBREL_WORLD", args[1].c_str(), 1);
        else
            backendOption = args[1];
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) {
        Usage(stderr);
        return ctl::kExitUsage;
    }
    hostbackend::Choice backend = hostbackend::Choice::Auto;
    std::string error;
    if (!hostbackend::ResolveChoice(backendOption ? &*backendOption : nullptr, &backend, &error)) {
        std::fprintf(stderr, "nimbrelctl: %s\n", error.c_str());
        return ctl::kExitUsage;
    }
    // Events for another program's radio: this process runs none of its own.
    if (args[0] == "radio") return ctl::Radio(std::vector<std::string>(args.begin() + 1, args.end()));
    const ctl::Command* command = ctl::FindCommand(args[0]);
    if (!command) {
        std::fprintf(stderr, "nimbrelctl: unknown command '%s'\n", args[0].c_str());
        Usage(stderr);
        return ctl::kExitUsage;
    }
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (rest.size() < command->minArgs || rest.size() > command->maxArgs) {
        std::fprintf(stderr, "usage: nimbrelctl %s\n", command->usage);
        return ctl::kExitUsage;
    }
    switch (hostbackend::Install(backend, &error)) {
        case hostbackend::Outcome::kInstalled: break;
        case hostbackend::Outcome::kBadWorld:
            std::fprintf(stderr, "nimbrelctl: %s\n", error.c_str());
            return ctl::kExitUsage;
        case hostbackend::Outcome::kUnavailable:
            std::fprintf(stderr, "nimbrelctl: %s\n", error.c_str());
            return ctl::kExitFailed;
    }
    ctl::NotificationHub::Install();
    // Before any engine object: what the engine finds while it loads (damaged shortcuts, a
    // damaged registry file) is reported too.
    ctl::AttachErrorReceivers();
    return command->run(rest);
}
