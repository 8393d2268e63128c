#include "sim/world/world.h"

#include "platform/bluetooth/bt_address.h"
#include "platform/bluetooth/bt_device_name.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>

namespace sim {
namespace {

using nlohmann::json;

// Thrown inside the parser only, caught in ParseWorld: carries the path of the bad field.
struct FieldError {
    std::string field;
    std::string problem;
};

[[noreturn]] void Fail(const std::string& field, const std::string& problem) { throw FieldError{field, problem}; }

void CheckKeys(const json& object, const std::string& path, const std::set<std::string>& allowed) {
    if (!object.is_object()) Fail(path, "must be an object");
    for (auto it = object.begin(); it != object.end(); ++it)
        if (!allowed.count(it.key())) Fail(path.empty() ? it.key() : path + "." + it.key(), "is not a known field");
}

std::string Join(const std::string& path, const std::string& key) { return path.empty() ? key : path + "." + key; }

bool GetBool(const json& object, const std::string& path, const char* key, bool fallback) {
    if (!object.contains(key)) return fallback;
    const json& value = object[key];
    if (!value.is_boolean()) Fail(Join(path, key), "must be true or false");
    return value.get<bool>();
}

std::uint64_t GetUnsigned(const json& object, const std::string& path, const char* key, std::uint64_t fallback,
                          std::uint64_t maximum) {
    if (!object.contains(key)) return fallback;
    const json& value = object[key];
    std::uint64_t number = 0;
    if (value.is_number_unsigned()) {
        number = value.get<std::uint64_t>();
    } else if (value.is_string()) {
        const std::string text = value.get<std::string>();
        char* end = nullptr;
        errno = 0;
        number = std::strtoull(text.c_str(), &end, 0);
        if (text.empty() || *end != '\0' || errno == ERANGE || text[0] == '-')
            Fail(Join(path, key), "must be a number (decimal or 0x hexadecimal)");
    } else {
        Fail(Join(path, key), "must be a non-negative number");
    }
    if (number > maximum) Fail(Join(path, key), "is out of range (at most " + std::to_string(maximum) + ")");
    return number;
}

std::string GetString(const json& object, const std::string& path, const char* key, const std::string& fallback) {
    if (!object.contains(key)) return fallback;
    const json& value = object[key];
    if (!value.is_string()) Fail(Join(path, key), "must be a string");
    return value.get<std::string>();
}

std::uint64_t GetAddress(const json& object, const std::string& path, const char* key, bool required,
                         std::uint64_t fallback) {
    if (!object.contains(key)) {
        if (required) Fail(Join(path, key), "is missing");
        return fallback;
    }
    std::uint64_t address = 0;
    if (!object[key].is_string() || !bth::ParseAddress(object[key].get<std::string>(), &address))
        Fail(Join(path, key), "must be a Bluetooth address like \"00:12:AB:34:CD:56\"");
    return address;
}

std::uint32_t HardwareStatus(const json& adapter) {
    if (!adapter.contains("hardware")) return 3;
    const json& value = adapter["hardware"];
    if (value.is_number_unsigned())
        return static_cast<std::uint32_t>(GetUnsigned(adapter, "adapter", "hardware", 3, 0xFFFFFFFF));
    static const std::pair<const char*, std::uint32_t> kStates[] = {
        {"unknown", 0}, {"not-present", 1}, {"initializing", 2}, {"running", 3}, {"shutdown", 4}, {"error", 5}};
    if (value.is_string())
        for (auto& [name, status] : kStates)
            if (value.get<std::string>() == name) return status;
    Fail("adapter.hardware",
         "must be one of \"running\", \"not-present\", \"shutdown\", \"initializing\", \"error\", \"unknown\" or a "
         "number");
}

Profile ParseProfile(const json& service, const std::string& path) {
    static const std::pair<const char*, Profile> kProfiles[] = {
        {"spp", Profile::SerialPort},   {"dun", Profile::DialupNetworking}, {"opp", Profile::ObjectPush},
        {"ftp", Profile::FileTransfer}, {"headset", Profile::Headset},      {"handsfree", Profile::Handsfree}};
    std::string name = GetString(service, path, "profile", "");
    for (auto& [key, profile] : kProfiles)
        if (name == key) return profile;
    Fail(Join(path, "profile"), "must be one of \"spp\", \"dun\", \"opp\", \"ftp\", \"headset\", \"handsfree\"");
}

std::optional<Endpoint> ParseEndpoint(const json& service, const std::string& path, Profile profile) {
    if (!service.contains("endpoint")) return std::nullopt;
    if (profile != Profile::SerialPort && profile != Profile::DialupNetworking)
        Fail(Join(path, "endpoint"), "is only for \"spp\" and \"dun\" services");
    static const std::pair<const char*, Endpoint> kEndpoints[] = {
        {"echo", Endpoint::Echo}, {"nmea", Endpoint::Nmea}, {"modem", Endpoint::Modem}};
    const std::string name = GetString(service, path, "endpoint", "");
    for (auto& [key, endpoint] : kEndpoints)
        if (name == key) return endpoint;
    Fail(Join(path, "endpoint"), "must be one of \"echo\", \"nmea\", \"modem\"");
}

bool IsObex(Profile profile) { return profile == Profile::ObjectPush || profile == Profile::FileTransfer; }

// "refuse-put", "abort-after:N", "drop-after:N".
ObexFaults ParseObexFaults(const json& service, const std::string& path) {
    ObexFaults faults;
    const json& list = service["faults"];
    if (!list.is_array()) Fail(Join(path, "faults"), "must be a list of names");
    for (size_t i = 0; i < list.size(); ++i) {
        const std::string field = Join(path, "faults") + "[" + std::to_string(i) + "]";
        const std::string text = list[i].is_string() ? list[i].get<std::string>() : std::string();
        const auto colon = text.find(':');
        const std::string name = text.substr(0, colon);
        std::optional<std::uint64_t> count;
        if (colon != std::string::npos) {
            const std::string digits = text.substr(colon + 1);
            char* end = nullptr;
            errno = 0;
            const std::uint64_t value = std::strtoull(digits.c_str(), &end, 10);
            if (!digits.empty() && digits[0] >= '0' && digits[0] <= '9' && *end == '\0' && errno != ERANGE)
                count = value;
        }
        if (name == "refuse-put" && colon == std::string::npos) {
            faults.refusePut = true;
        } else if (name == "abort-after" && count) {
            faults.abortAfter = count;
        } else if (name == "drop-after" && count) {
            faults.dropAfter = count;
        } else {
            Fail(field, "must be \"refuse-put\", \"abort-after:N\" or \"drop-after:N\"");
        }
    }
    return faults;
}

// "127.0.0.1:650", "[::1]:650".
TcpAddress ParseTcpAddress(const json& service, const std::string& path) {
    const std::string text = GetString(service, path, "obex_tcp", "");
    const auto colon = text.rfind(':');
    TcpAddress address;
    if (colon != std::string::npos && colon > 0) {
        address.host = text.substr(0, colon);
        if (address.host.size() > 2 && address.host.front() == '[' && address.host.back() == ']')
            address.host = address.host.substr(1, address.host.size() - 2);
        const std::string digits = text.substr(colon + 1);
        char* end = nullptr;
        const unsigned long port = std::strtoul(digits.c_str(), &end, 10);
        if (!digits.empty() && digits[0] != '-' && *end == '\0' && port > 0 && port <= 65535) {
            address.port = static_cast<std::uint16_t>(port);
            return address;
        }
    }
    Fail(Join(path, "obex_tcp"), "must be a host and port like \"127.0.0.1:650\"");
}

// The keys of OBEX services; each is refused on a service of another profile.
void ParseObexKeys(const json& object, const std::string& path, WorldService* service) {
    for (const char* key : {"root", "inbox", "faults", "obex_tcp"})
        if (object.contains(key) && !IsObex(service->profile))
            Fail(Join(path, key), "is only for \"opp\" and \"ftp\" services");
    if (object.contains("root") && service->profile != Profile::FileTransfer)
        Fail(Join(path, "root"), "is only for \"ftp\" services");
    if (object.contains("inbox") && service->profile != Profile::ObjectPush)
        Fail(Join(path, "inbox"), "is only for \"opp\" services");
    if (object.contains("root")) service->root = GetString(object, path, "root", "");
    if (object.contains("inbox")) service->inbox = GetString(object, path, "inbox", "");
    if ((service->root && service->root->empty()) || (service->inbox && service->inbox->empty()))
        Fail(Join(path, service->root ? "root" : "inbox"), "must be a folder path");
    if (object.contains("faults")) service->faults = ParseObexFaults(object, path);
    if (object.contains("obex_tcp")) service->obexTcp = ParseTcpAddress(object, path);
}

Pairing ParsePairing(const json& device, const std::string& path) {
    static const std::pair<const char*, Pairing> kPairings[] = {
        {"pin", Pairing::Pin}, {"any", Pairing::Any}, {"refuse", Pairing::Refuse}};
    const std::string name = GetString(device, path, "pairing", "pin");
    for (auto& [key, pairing] : kPairings)
        if (name == key) return pairing;
    Fail(Join(path, "pairing"), "must be one of \"pin\", \"any\", \"refuse\"");
}

WorldAdapter ParseAdapter(const json& adapter) {
    const std::string path = "adapter";
    CheckKeys(
        adapter, path,
        {"name", "address", "class", "scan", "authentication", "stack", "service", "hardware", "ready_after_reads",
         "pin_requests_claimed", "faults", "reserved_ports", "obex_service", "obex_component", "powered"});
    WorldAdapter parsed;
    parsed.name = GetString(adapter, path, "name", parsed.name);
    parsed.address = GetAddress(adapter, path, "address", false, parsed.address);
    parsed.classOfDevice =
        static_cast<std::uint32_t>(GetUnsigned(adapter, path, "class", parsed.classOfDevice, 0xFFFFFF));
    parsed.scanMask = static_cast<std::uint8_t>(GetUnsigned(adapter, path, "scan", parsed.scanMask, 3));
    parsed.authentication = static_cast<std::uint8_t>(GetUnsigned(adapter, path, "authentication", 0, 1));
    parsed.powered = GetBool(adapter, path, "powered", true);
    parsed.stack = GetBool(adapter, path, "stack", true);
    parsed.service = GetBool(adapter, path, "service", true);
    parsed.hardwareStatus = HardwareStatus(adapter);
    parsed.readyAfterReads = static_cast<std::uint32_t>(GetUnsigned(adapter, path, "ready_after_reads", 0, 1000000));
    parsed.pinRequestsClaimed = GetBool(adapter, path, "pin_requests_claimed", false);
    parsed.obexService = GetBool(adapter, path, "obex_service", true);
    parsed.obexComponent = GetBool(adapter, path, "obex_component", true);
    if (adapter.contains("reserved_ports")) {
        const json& ports = adapter["reserved_ports"];
        if (!ports.is_array()) Fail("adapter.reserved_ports", "must be a list of COM port indexes");
        for (size_t i = 0; i < ports.size(); ++i) {
            if (!ports[i].is_number_unsigned() || ports[i].get<std::uint64_t>() > 9)
                Fail("adapter.reserved_ports[" + std::to_string(i) + "]", "must be a COM port index from 0 to 9");
            parsed.reservedPorts.push_back(ports[i].get<std::uint32_t>());
        }
    }
    if (adapter.contains("faults")) {
        static const std::set<std::string> kFaults = {
            "bts-stop",    "bts-start",    "stack-start", "scan-write", "authentication-write",
            "local-reads", "hardware-read"};
        const json& faults = adapter["faults"];
        if (!faults.is_array()) Fail("adapter.faults", "must be a list of names");
        for (size_t i = 0; i < faults.size(); ++i) {
            std::string field = "adapter.faults[" + std::to_string(i) + "]";
            if (!faults[i].is_string() || !kFaults.count(faults[i].get<std::string>()))
                Fail(field,
                     "must be one of bts-stop, bts-start, stack-start, scan-write, authentication-write, local-reads, "
                     "hardware-read");
            parsed.faults.push_back(faults[i].get<std::string>());
        }
    }
    return parsed;
}

WorldDevice ParseDevice(const json& device, const std::string& path) {
    CheckKeys(device, path,
              {"name", "address", "class", "in_range", "answers_inquiry", "name_query", "class_query", "paired_pin",
               "pin", "pairing", "passkey", "services"});
    WorldDevice parsed;
    parsed.name = GetString(device, path, "name", "");
    if (parsed.name.size() > bth::kMaxDeviceNameBytes)
        Fail(Join(path, "name"), "is longer than " + std::to_string(bth::kMaxDeviceNameBytes) + " bytes");
    parsed.address = GetAddress(device, path, "address", true, 0);
    parsed.classOfDevice = static_cast<std::uint32_t>(GetUnsigned(device, path, "class", 0, 0xFFFFFF));
    parsed.inRange = GetBool(device, path, "in_range", true);
    parsed.answersInquiry = GetBool(device, path, "answers_inquiry", true);
    parsed.nameQuery = GetBool(device, path, "name_query", true);
    parsed.classQuery = GetBool(device, path, "class_query", true);
    if (device.contains("paired_pin")) {
        std::string pin = GetString(device, path, "paired_pin", "");
        if (pin.empty() || pin.size() > 16) Fail(Join(path, "paired_pin"), "must be 1 to 16 bytes of UTF-8");
        parsed.pairedPin = pin;
    }
    parsed.pin = GetString(device, path, "pin", parsed.pin);
    // A PIN is the bytes of its UTF-8, as the stack gets it: "ü1234" is 6 of the 16.
    if (parsed.pin.empty() || parsed.pin.size() > 16) Fail(Join(path, "pin"), "must be 1 to 16 bytes of UTF-8");
    parsed.pairing = ParsePairing(device, path);
    if (device.contains("passkey"))
        parsed.passkey = static_cast<std::uint32_t>(GetUnsigned(device, path, "passkey", 0, 999999));
    if (device.contains("services")) {
        const json& services = device["services"];
        if (!services.is_array()) Fail(Join(path, "services"), "must be a list");
        for (size_t i = 0; i < services.size(); ++i) {
            std::string servicePath = Join(path, "services") + "[" + std::to_string(i) + "]";
            CheckKeys(services[i], servicePath,
                      {"profile", "name", "channel", "endpoint", "root", "inbox", "faults", "obex_tcp"});
            WorldService service;
            service.profile = ParseProfile(services[i], servicePath);
            service.endpoint = ParseEndpoint(services[i], servicePath, service.profile);
            service.name = GetString(services[i], servicePath, "name", "");
            service.channel = static_cast<std::uint8_t>(GetUnsigned(services[i], servicePath, "channel", 0, 30));
            ParseObexKeys(services[i], servicePath, &service);
            parsed.services.push_back(service);
        }
    }
    return parsed;
}

World ParseDocument(const json& document) {
    CheckKeys(document, "", {"adapter", "timing", "devices", "events"});
    World world;
    if (document.contains("adapter")) world.adapter = ParseAdapter(document["adapter"]);
    if (document.contains("timing")) {
        const json& timing = document["timing"];
        CheckKeys(timing, "timing", {"inquiry_ms", "sdp_ms", "name_ms", "nmea_ms", "pair_ms", "link_kbps"});
        const std::uint64_t kMaxMs = 600000;
        world.timing.inquiryMs = static_cast<std::uint32_t>(GetUnsigned(timing, "timing", "inquiry_ms", 0, kMaxMs));
        world.timing.sdpMs = static_cast<std::uint32_t>(GetUnsigned(timing, "timing", "sdp_ms", 0, kMaxMs));
        world.timing.nameMs = static_cast<std::uint32_t>(GetUnsigned(timing, "timing", "name_ms", 0, kMaxMs));
        world.timing.nmeaMs = static_cast<std::uint32_t>(GetUnsigned(timing, "timing", "nmea_ms", 1000, kMaxMs));
        world.timing.pairMs = static_cast<std::uint32_t>(GetUnsigned(timing, "timing", "pair_ms", 0, kMaxMs));
        world.timing.linkKbps = static_cast<std::uint32_t>(GetUnsigned(timing, "timing", "link_kbps", 0, 1000000));
        if (world.timing.nmeaMs == 0) Fail("timing.nmea_ms", "must be at least 1");
    }
    if (document.contains("devices")) {
        const json& devices = document["devices"];
        if (!devices.is_array()) Fail("devices", "must be a list");
        std::set<std::uint64_t> seen;
        for (size_t i = 0; i < devices.size(); ++i) {
            std::string path = "devices[" + std::to_string(i) + "]";
            WorldDevice device = ParseDevice(devices[i], path);
            if (!seen.insert(device.address).second) Fail(path + ".address", "is used by another device");
            world.devices.push_back(std::move(device));
        }
    }
    if (document.contains("events")) {
        const json& events = document["events"];
        if (!events.is_array()) Fail("events", "must be a list");
        for (size_t i = 0; i < events.size(); ++i) {
            std::string path = "events[" + std::to_string(i) + "]";
            CheckKeys(events[i], path, {"at_ms", "type", "device"});
            WorldEvent event;
            event.atMs = static_cast<std::uint32_t>(GetUnsigned(events[i], path, "at_ms", 0, 86400000));
            event.type = GetString(events[i], path, "type", "");
            static const std::set<std::string> kTypes = {"pair-request", "serial-connect", "leave", "return"};
            if (!kTypes.count(event.type))
                Fail(path + ".type", "must be \"pair-request\", \"serial-connect\", \"leave\" or \"return\"");
            event.device = GetAddress(events[i], path, "device", true, 0);
            world.events.push_back(event);
        }
    }
    return world;
}

std::string LineAndColumn(const std::string& text, size_t byte) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i + 1 < byte && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

}  // namespace

bool ParseWorld(const std::string& text, const std::string& source, World* world, std::string* error) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::parse_error& e) {
        if (error) {
            std::string what = e.what();
            auto colon = what.rfind(": ");
            *error = source + ": JSON syntax error at " + LineAndColumn(text, e.byte) + ": " +
                     (colon == std::string::npos ? what : what.substr(colon + 2));
        }
        return false;
    } catch (const json::exception& e) {  // out of range: a number beyond what a double holds
        if (error) *error = source + ": a value is out of range: " + e.what();
        return false;
    }
    try {
        World parsed = ParseDocument(document);
        if (world) *world = std::move(parsed);
        return true;
    } catch (const FieldError& e) {
        if (error) *error = source + ": field \"" + (e.field.empty() ? "(top)" : e.field) + "\" " + e.problem;
    } catch (const json::exception& e) {
        if (error) *error = source + ": " + e.what();
    }
    return false;
}

bool LoadWorldFile(const std::string& path, World* world, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error) *error = path + ": cannot open the world file";
        return false;
    }
    std::stringstream content;
    content << file.rdbuf();
    return ParseWorld(content.str(), path, world, error);
}

bool LoadConfiguredWorld(World* world, std::string* error) {
    const char* path = std::getenv("NIMBREL_WORLD");
    if (path && *path) return LoadWorldFile(path, world, error);
    return ParseWorld(DefaultWorldText(), "the built-in world", world, error);
}

const WorldDevice* FindDevice(const World& world, std::uint64_t address) {
    for (const WorldDevice& device : world.devices)
        if (device.address == address) return &device;
    return nullptr;
}

}  // namespace sim
