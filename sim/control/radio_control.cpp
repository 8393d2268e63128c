#include "sim/control/radio_control.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/bluetooth/bt_address.h"
#include "platform/kernel/paths.h"
#include "platform/text/utf.h"
#include "sim/control/control_client.h"
#include "sim/control/control_server.h"
#include "sim/control/pushed_file.h"
#include "sim/obex/remote_obex_client.h"

namespace sim {
namespace {

// Untrusted text quoted back in a reply: printable ASCII only, and not much of it.
std::string Printable(const std::string& text) {
    std::string shown;
    for (char c : text.substr(0, 32)) shown += (c >= 0x20 && c < 0x7F) ? c : '?';
    return shown;
}

// "ok" for success, else the error of a remote device's connection to a server of ours.
std::string ConnectionError(DWORD result, const std::string& device, const std::string& server) {
    switch (result) {
        case ERROR_SUCCESS: return "ok";
        case ERROR_TIMEOUT: return "error: device " + device + " is out of range";
        case ERROR_NOT_FOUND: return "error: no " + server + " server of ours is listening";
        case ERROR_NOT_READY: return "error: the adapter is switched off";
        case ERROR_DEVICE_NOT_CONNECTED: return "error: our " + server + " server refused the connection";
        default: return "error: the connection failed with code " + std::to_string(result);
    }
}

// "ok WHAT" when the server took it, "refused RESPONSE" when it answered no, else an error.
std::string SessionOutcome(const obex::SessionResult& result, const std::string& what) {
    if (result.ok()) return "ok " + what;
    if (result.status == obex::SessionStatus::Refused) return "refused " + ResponseText(result.response);
    return std::string("error: the OBEX session failed: ") + obex::SessionStatusText(result.status);
}

std::string Push(Radio& radio, BT_ADDR address, const std::string& path) {
    std::vector<std::uint8_t> body;
    std::string problem;
    if (!ReadPushedFile(path, &body, &problem)) return "error: " + Printable(path) + ": " + problem;
    const std::string fileName = std::filesystem::path(path).filename().string();
    if (fileName.empty()) return "error: the path names no file";
    obex::SessionResult result;
    const std::string answer = ConnectionError(
        radio.PushToServer(address, platform::WideFromUtf8(fileName), body, &result), bth::FormatAddress(address),
        "Object Push");
    if (answer != "ok") return answer;
    return SessionOutcome(result, ResponseText(result.response));
}

std::string Browse(Radio& radio, BT_ADDR address) {
    std::string listing;
    obex::SessionResult result;
    const std::string answer =
        ConnectionError(radio.BrowseServer(address, &listing, &result), bth::FormatAddress(address), "File Transfer");
    if (answer != "ok") return answer;
    if (result.status == obex::SessionStatus::TooLarge)
        return "error: the listing is longer than " + std::to_string(kMaxRemoteListing / 1024) + " KiB";
    return SessionOutcome(result, EncodeControlWord(listing));
}

// `path`: the file of a push.
std::string ServeDevice(Radio& radio, const std::string& verb, BT_ADDR address, const std::string* path = nullptr) {
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
    if (verb == "browse") return Browse(radio, address);
    if (verb == "push" && path) return Push(radio, address, *path);
    return ConnectionError(radio.ConnectToServer(address), name, "serial");
}

// A request of a device and a file: the path is one encoded word.
std::string ServePush(Radio& radio, const std::vector<std::string>& parts) {
    if (parts.size() != 3) return "error: push takes a device address and a file path";
    BT_ADDR address = 0;
    if (!bth::ParseAddress(parts[1], &address))
        return "error: '" + Printable(parts[1]) + "' is not an address like 00:12:AB:34:CD:56";
    const auto path = DecodeControlWord(parts[2]);
    if (!path) return "error: the file path is not encoded as a control word";
    return ServeDevice(radio, "push", address, &*path);
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
    if (verb == "push") return ServePush(radio, parts);
    if (verb != "leave" && verb != "return" && verb != "pair-request" && verb != "serial-connect" && verb != "browse")
        return "error: unknown request '" + Printable(verb) +
               "' (hello, leave, return, pair-request, serial-connect, push, browse)";
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
