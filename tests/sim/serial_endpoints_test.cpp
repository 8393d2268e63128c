// The remote ends behind simulated serial services: a dial-up modem and a GPS talker.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/serial/modem.h"
#include "sim/serial/nmea.h"

namespace {

TEST(SerialEndpoints, ModemAnswersADialUpSession) {
    sim::Modem modem;
    EXPECT_EQ(modem.Feed("AT\r"), "AT\r\r\nOK\r\n");  // echo is on at first
    EXPECT_EQ(modem.Feed("ATE0\r"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(modem.Feed("at\r"), "\r\nOK\r\n");
    EXPECT_EQ(modem.Feed("ATI\r"), "\r\nNimbrel simulated phone modem\r\n\r\nOK\r\n");
    EXPECT_EQ(modem.Feed("AT+CGDCONT=1,\"IP\",\"internet\"\r"), "\r\nOK\r\n");
    EXPECT_EQ(modem.Feed("ATQ9\r"), "\r\nERROR\r\n");
    EXPECT_EQ(modem.Feed("ATH\r"), "\r\nOK\r\n");  // no call to hang up
    EXPECT_EQ(modem.Feed("ATD123\r"), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(modem.Feed("AT"), "");  // a command may come in pieces
    EXPECT_EQ(modem.Feed("D*99#\r"), "\r\nCONNECT\r\n");
    // On line: a loop, pluses included unless three come together.
    EXPECT_EQ(modem.Feed(std::string("\x7e\xff\x00\r+a++", 8)), std::string("\x7e\xff\x00\r+a", 6));
    EXPECT_EQ(modem.Feed("b+"), "++b");
    EXPECT_EQ(modem.Feed("++"), "\r\nOK\r\n");
    EXPECT_EQ(modem.Feed("ATO\r"), "\r\nCONNECT\r\n");
    EXPECT_EQ(modem.Feed("+++ATH\r"), "\r\nOK\r\n\r\nNO CARRIER\r\n\r\nOK\r\n");
    EXPECT_EQ(modem.Feed("ATO\r"), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(modem.Feed(std::string(1000, 'A') + "T\r"), "\r\nERROR\r\n");  // overlong line refused whole
    EXPECT_EQ(modem.Feed("ATE1\rATX\bZ\r"), "\r\nOK\r\nATX\bZ\r\r\nOK\r\n");
}

TEST(SerialEndpoints, NmeaSentencesCarryCorrectChecksumsAndMove) {
    EXPECT_EQ(sim::NmeaChecksum("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"), "47");
    const auto time = std::chrono::system_clock::from_time_t(1700000000) + std::chrono::milliseconds(250);
    const std::string first = sim::NmeaSentences(sim::WalkingFix(0, time));
    const std::string later = sim::NmeaSentences(sim::WalkingFix(60, time + std::chrono::seconds(61)));
    std::vector<std::string> times;
    for (const std::string& text : {first, later}) {
        std::vector<std::string> kinds;
        for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
            const std::string line = text.substr(at, end - at);  // "$BODY*CS"
            ASSERT_TRUE(line.size() > 4 && line[0] == '$' && line[line.size() - 3] == '*') << line;
            EXPECT_EQ(sim::NmeaChecksum(line.substr(1, line.size() - 4)), line.substr(line.size() - 2)) << line;
            kinds.push_back(line.substr(3, 3));
            times.push_back(line.substr(7, line.find(',', 7) - 7));
        }
        EXPECT_EQ(kinds, (std::vector<std::string>{"GGA", "RMC"}));
    }
    EXPECT_EQ(times[0], "221320.25");  // 2023-11-14 22:13:20.25 UTC
    EXPECT_EQ(times[2], "221421.25");
    EXPECT_NE(first.find(",5130.4800,N,00005.2620,W,"), std::string::npos) << first;
    EXPECT_NE(first.find(",141123,"), std::string::npos);  // the RMC date
    EXPECT_EQ(later.find(",5130.4800,N,"), std::string::npos);  // it walked on
}

}  // namespace
