#include "sim/control/radio_control.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/bluetooth/bt_address.h"
#include "platform/kernel/paths.h"
#include "sim/control/control_server.h"

namespace sim {
namespace {

// Untrusted text quoted back in a reply: printable ASCII only, and not much of it.
std::string Printable(const std::string& text) {
    std::string shown;
    for (char c : text.substr(0, 32)) shown += (c >= 0x20 && c < 0x7F) ? c : '?';
    return shown;
}

std::string ServeDevice(Radio& radio, const std::string& verb, BT_ADDR address) {
    const std::string name = bth::FormatAddress(address);
    const World world = radio.world();
    const WorldDevice* device = FindDevice(world, address);
    if (!device) return "error: no device " + name + " in the world";
    if (verb == "leave") {
        radio.Leave(address);
        return "ok";
    }
    if (verb == "return") {
        radio.Return(address);
        return "ok";
    }
    if (!device->inRange) return "error: device " + name + " is out of range";
    if (!radio.adapter().powered) return "error: the adapter is switched off";
    if (verb == "pair-request") {
        radio.RaisePinRequest(address);
        return "ok";
    }
    switch (const DWORD result = radio.ConnectToServer(address)) {
        case ERROR_SUCCESS: return "ok";
        case ERROR_TIMEOUT: return "error: device " + name + " is out of range";
        case ERROR_NOT_FOUND: return "error: no serial server of ours is listening";
        case ERROR_NOT_READY: return "error: the adapter is switched off";
        default: return "error: the connection failed with code " + std::to_string(result);
    }
}

}  // namespace

std::string AnswerControlRequest(Radio& radio, const std::string& request) {
    std::istringstream words(request);
    std::vector<std::string> parts;
    for (std::string word; words >> word;) parts.push_back(word);
    if (parts.empty()) return "error: empty request";
    const std::string& verb = parts[0];
    if (verb == "hello") {
        if (parts.size() != 1) return "error: hello takes no arguments";
        return "ok " + std::to_string(::getpid()) + " " + Printable(program_invocation_short_name);
    }
    if (verb != "leave" && verb != "return" && verb != "pair-request" && verb != "serial-connect")
        return "error: unknown request '" + Printable(verb) + "' (hello, leave, return, pair-request, serial-connect)";
    BT_ADDR address = 0;
    if (parts.size() != 2) return "error: " + verb + " takes one device address";
    if (!bth::ParseAddress(parts[1], &address))
        return "error: '" + Printable(parts[1]) + "' is not an address like 00:12:AB:34:CD:56";
    return ServeDevice(radio, verb, address);
}

void ServeRadioControl() {
    static std::mutex mutex;
    static ControlServer* server = nullptr;  // stopped at exit; a child's copy is never touched
    static pid_t owner = 0;
    std::lock_guard lock(mutex);
    if (server) return;
    const platform::PrivateFolder folder = platform::RuntimeFolder();
    if (folder.path.empty()) return;
    std::string error;
    server = ControlServer::Start(
                 folder.path,
                 [](const std::string& request) { return AnswerControlRequest(Radio::Instance(), request); }, &error)
                 .release();
    if (!server) return;
    owner = ::getpid();
    std::atexit([] {
        std::lock_guard lock(mutex);
        if (::getpid() != owner) return;
        delete server;
        server = nullptr;
    });
}

}  // namespace sim
