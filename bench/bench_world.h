#pragma once
// A simulated neighbourhood of many devices for the benchmarks, as world-file JSON: "Device 0",
// "Device 1", … at 00:00:00:00:00:00, 00:00:00:00:00:01, …, each offering the four profiles,
// with every timing at zero.
#include <cstdio>
#include <string>

namespace bench {

inline std::string WorldOfDevices(int devices) {
    std::string json = R"({"devices": [)";
    for (int i = 0; i < devices; ++i) {
        char device[256];
        std::snprintf(device, sizeof device,
                      R"(%s{"name": "Device %d", "address": "00:00:00:00:%02X:%02X", "class": "0x5A020C",
                         "services": [{"profile": "ftp"}, {"profile": "spp"}, {"profile": "opp"}, {"profile": "dun"}]})",
                      i ? "," : "", i, (i >> 8) & 0xFF, i & 0xFF);
        json += device;
    }
    return json + "]}";
}

}  // namespace bench
