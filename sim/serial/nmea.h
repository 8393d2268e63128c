#pragma once
// NMEA 0183 sentences of a GPS receiver: a fix as GGA and RMC.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/export.h"

namespace sim {

// The XOR of every character between "$" and "*", as two upper-case hexadecimal digits.
NIMBREL_SIM_API std::string NmeaChecksum(std::string_view body);

struct NmeaFix {
    std::chrono::system_clock::time_point time;  // UTC
    double latitude = 0;   // degrees, north positive
    double longitude = 0;  // degrees, east positive
    double knots = 0;
    double course = 0;  // degrees true
};

// "$GPGGA,...*CS\r\n$GPRMC,...*CS\r\n".
NIMBREL_SIM_API std::string NmeaSentences(const NmeaFix& fix);

// The n-th fix of a receiver walking north-east at 2 knots, stamped `time`.
NIMBREL_SIM_API NmeaFix WalkingFix(std::uint64_t n, std::chrono::system_clock::time_point time);

}  // namespace sim
