#include "sim/world/world.h"

namespace sim {

// A believable neighbourhood: a phone (PIN 0000), a laptop (takes any PIN), a GPS receiver and
// a headset, with the timings of a real radio (an inquiry takes seconds, an SDP search a
// fraction of one, a pairing a second or two).
const std::string& DefaultWorldText() {
    static const std::string text = R"json({
  "adapter": { "name": "Pocket PC", "address": "00:0A:3A:12:34:56", "class": "0x120114",
               "scan": 3, "authentication": 0, "stack": true, "service": true,
               "hardware": "running", "ready_after_reads": 0 },
  "timing":  { "inquiry_ms": 4000, "sdp_ms": 300, "name_ms": 200, "nmea_ms": 1000,
               "pair_ms": 1500, "link_kbps": 700 },
  "devices": [
    { "name": "Korvo K610", "address": "00:12:AB:34:CD:56", "class": "0x5A0204", "in_range": true,
      "pin": "0000",
      "services": [ { "profile": "opp", "name": "OBEX Object Push", "channel": 9 },
                    { "profile": "ftp", "name": "OBEX File Transfer", "channel": 10 },
                    { "profile": "dun", "name": "Dial-Up Networking", "channel": 1 } ] },
    { "name": "Tessaly Book 14", "address": "00:0E:9F:11:22:33", "class": "0x3E010C", "in_range": true,
      "pairing": "any",
      "services": [ { "profile": "ftp", "name": "File Transfer", "channel": 3 },
                    { "profile": "opp", "name": "Object Push", "channel": 4 },
                    { "profile": "spp", "name": "Bluetooth Serial Port", "channel": 2 } ] },
    { "name": "Wayfix GR-20", "address": "00:0B:0D:87:65:43", "class": "0x001F00", "in_range": true,
      "services": [ { "profile": "spp", "name": "SPP slave", "channel": 1, "endpoint": "nmea" } ] },
    { "name": "Quill Ear 300", "address": "00:07:A4:AA:BB:CC", "class": "0x200404", "in_range": true,
      "services": [ { "profile": "headset", "name": "Headset", "channel": 1 },
                    { "profile": "handsfree", "name": "Hands-Free unit", "channel": 2 } ] }
  ]
})json";
    return text;
}

}  // namespace sim
