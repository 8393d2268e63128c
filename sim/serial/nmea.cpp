#include "sim/serial/nmea.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace sim {
namespace {

// "ddmm.mmmm,N" or "dddmm.mmmm,E".
std::string Coordinate(double degrees, int width, char positive, char negative) {
    const double magnitude = std::fabs(degrees);
    const int whole = static_cast<int>(magnitude);
    char text[32];
    std::snprintf(text, sizeof text, "%0*d%07.4f,%c", width, whole, (magnitude - whole) * 60.0,
                  degrees < 0 ? negative : positive);
    return text;
}

std::string Sentence(const std::string& body) { return "$" + body + "*" + NmeaChecksum(body) + "\r\n"; }

}  // namespace

std::string NmeaChecksum(std::string_view body) {
    unsigned sum = 0;
    for (const char c : body) sum ^= static_cast<unsigned char>(c);
    char text[3];
    std::snprintf(text, sizeof text, "%02X", sum & 0xFF);
    return text;
}

std::string NmeaSentences(const NmeaFix& fix) {
    using namespace std::chrono;
    const std::time_t seconds = system_clock::to_time_t(fix.time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    const auto centis = duration_cast<milliseconds>(fix.time.time_since_epoch()).count() % 1000 / 10;
    char time[48], date[40], motion[48];
    std::snprintf(time, sizeof time, "%02d%02d%02d.%02d", utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(centis));
    std::snprintf(date, sizeof date, "%02d%02d%02d", utc.tm_mday, utc.tm_mon + 1, utc.tm_year % 100);
    std::snprintf(motion, sizeof motion, "%.1f,%.1f", fix.knots, fix.course);
    const std::string position = Coordinate(fix.latitude, 2, 'N', 'S') + "," + Coordinate(fix.longitude, 3, 'E', 'W');
    return Sentence(std::string("GPGGA,") + time + "," + position + ",1,08,0.9,35.0,M,47.0,M,,") +
           Sentence(std::string("GPRMC,") + time + ",A," + position + "," + motion + "," + date + ",,,A");
}

NmeaFix WalkingFix(std::uint64_t n, std::chrono::system_clock::time_point time) {
    // About one metre per fix each way, from the middle of a bridge.
    const double step = 0.00001 * static_cast<double>(n % 100000);
    return {time, 51.5080 + step, -0.0877 + step, 2.0, 45.0};
}

}  // namespace sim
