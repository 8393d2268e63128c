#pragma once
// The simulated neighbourhood, as a world file describes it. See the README for the schema.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/export.h"

namespace sim {

// The four profiles the engine looks for, and two it does not (a headset offers only those).
enum class Profile { SerialPort, DialupNetworking, ObjectPush, FileTransfer, Headset, Handsfree };

// How a device takes a pairing: with the PIN it expects, with any PIN, or never.
enum class Pairing { Pin, Any, Refuse };

// What answers behind a serial service: every byte back, a GPS talking NMEA, a dial-up modem.
enum class Endpoint { Echo, Nmea, Modem };

// Faults an OBEX service shows on demand. Byte counts are of object bodies, per operation.
struct ObexFaults {
    bool refusePut = false;                   // every PUT is refused (Forbidden)
    std::optional<std::uint64_t> abortAfter;  // an error answer once more than this has moved
    std::optional<std::uint64_t> dropAfter;   // the link breaks once more than this has moved
};

// An external OBEX server the service relays to, over TCP.
struct TcpAddress {
    std::string host;  // numeric IPv4 or IPv6
    std::uint16_t port = 0;
};

struct WorldService {
    Profile profile = Profile::SerialPort;
    std::string name;          // the SDP service name; a default per profile when absent
    std::uint8_t channel = 0;  // RFCOMM channel; assigned when absent
    std::optional<Endpoint> endpoint;  // spp and dun only; absent: echo for spp, modem for dun
    std::optional<std::string> root;   // ftp: the host folder served; absent: an invented tree
    std::optional<std::string> inbox;  // opp: where pushed objects land; absent: a data folder
    ObexFaults faults;                 // opp and ftp
    std::optional<TcpAddress> obexTcp;  // opp and ftp: relay to this server instead
};

struct WorldDevice {
    std::string name;
    std::uint64_t address = 0;
    std::uint32_t classOfDevice = 0;
    bool inRange = true;
    bool answersInquiry = true;
    bool nameQuery = true;   // false: remote name queries fail
    bool classQuery = true;  // false: remote class queries fail
    std::optional<std::string> pairedPin;  // already paired when the world starts
    std::string pin = "0000";              // the PIN it expects when pairing is Pairing::Pin
    Pairing pairing = Pairing::Pin;
    // Pairs by Secure Simple Pairing, showing this passkey: the device's own requests ask only
    // for a yes, and any answer pairs (as "pairing": "any" does).
    std::optional<std::uint32_t> passkey;
    std::vector<WorldService> services;
};

struct WorldAdapter {
    std::string name = "Pocket PC";
    std::uint64_t address = 0x000A3A123456ull;
    std::uint32_t classOfDevice = 0x120114;
    std::uint8_t scanMask = 3;
    std::uint8_t authentication = 0;
    bool powered = true;                // switched on at the first start (later starts: as the last run left it)
    bool stack = true;                  // "BTD0:" exists
    bool service = true;                // "BTS1:" exists
    std::uint32_t hardwareStatus = 3;   // HCI_HARDWARE_RUNNING
    std::uint32_t readyAfterReads = 0;  // from this status read on, the hardware runs (0: never changes)
    bool pinRequestsClaimed = false;    // another program already handles PIN requests
    std::vector<std::string> faults;    // requests the adapter refuses, by name (see the README)
    std::vector<std::uint32_t> reservedPorts;  // COM indexes other drivers own
    bool obexService = true;                   // "OBX0:" exists
    bool obexComponent = true;                 // the OBEX component can be created
};

struct Timing {
    std::uint32_t inquiryMs = 0;
    std::uint32_t sdpMs = 0;
    std::uint32_t nameMs = 0;
    std::uint32_t nmeaMs = 1000;  // between two fixes of an NMEA talker
    std::uint32_t pairMs = 0;     // one pairing exchange
    std::uint32_t linkKbps = 0;   // what an OBEX server sends, in kbit/s (0: unlimited)
};

struct WorldEvent {
    std::uint32_t atMs = 0;
    std::string type;  // "pair-request", "serial-connect", "leave", "return"
    std::uint64_t device = 0;
};

struct World {
    WorldAdapter adapter;
    Timing timing;
    std::vector<WorldDevice> devices;
    std::vector<WorldEvent> events;
};

// Parses a world from JSON text. On failure returns false and sets `error` to a message that
// names `source` and the offending field (or the line and column of a syntax error).
NIMBREL_SIM_API bool ParseWorld(const std::string& text, const std::string& source, World* world, std::string* error);
NIMBREL_SIM_API bool LoadWorldFile(const std::string& path, World* world, std::string* error);

// The built-in neighbourhood used when NIMBREL_WORLD is unset.
NIMBREL_SIM_API const std::string& DefaultWorldText();

// The world chosen by the environment: NIMBREL_WORLD's file, else the default.
NIMBREL_SIM_API bool LoadConfiguredWorld(World* world, std::string* error);

// The device with this address, or null.
NIMBREL_SIM_API const WorldDevice* FindDevice(const World& world, std::uint64_t address);

}  // namespace sim
