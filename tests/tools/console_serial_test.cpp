// nimbrelctl's serial connections used as a serial program uses them: the port's terminal
// opened, bytes written and the remote end's answers read back.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "platform/kernel/paths.h"
#include "support/background_command.h"
#include "support/pty_client.h"
#include "support/tools.h"

namespace {

using testsupport::BackgroundCommand;
using testsupport::PtyClient;

// The OBEX service comes first, so it takes channel 1; the dial-up and serial services follow.
const char* kWorld = R"({"timing": {"inquiry_ms": 0, "sdp_ms": 0, "name_ms": 0, "pair_ms": 0},
    "devices": [
      {"name": "My Phone", "address": "00:12:AB:34:CD:56",
       "services": [{"profile": "opp"}, {"profile": "dun", "endpoint": "modem"}, {"profile": "spp", "endpoint": "echo"}]},
      {"name": "Other Phone", "address": "00:12:AB:34:CD:57",
       "services": [{"profile": "ftp"}, {"profile": "dun"}]}]})";

const std::string& WorldFile() {
    static const std::string path = [] {
        const std::string file = (platform::NimbrelHome() / "serial-world.json").string();
        std::ofstream(file) << kWorld;
        return file;
    }();
    return path;
}

// `nimbrelctl connect ADDRESS SERVICE`, left running.
std::unique_ptr<BackgroundCommand> StartConnect(const std::string& address, const std::string& service) {
    return std::make_unique<BackgroundCommand>(
        testsupport::ToolPath("nimbrelctl"),
        std::vector<std::string>{"--world", WorldFile(), "connect", address, service});
}

struct ConnectedPort {
    std::string name;  // "COM4"
    std::string path;  // its terminal's link
};

// The "COMn PATH" line a connection prints once it is up.
::testing::AssertionResult PortOf(BackgroundCommand& command, ConnectedPort* port) {
    const auto line = command.ReadLine();
    if (!line) return ::testing::AssertionFailure() << "no port was printed; standard error:\n" << command.Errors();
    const auto tab = line->find('\t');
    if (tab == std::string::npos || line->compare(0, 3, "COM") != 0)
        return ::testing::AssertionFailure() << "not a port line: " << *line;
    port->name = line->substr(0, tab);
    port->path = line->substr(tab + 1);
    return ::testing::AssertionSuccess();
}

// Sends `text` and expects exactly `answer` back (each read waits ten seconds at most).
void ExpectExchange(PtyClient& terminal, const std::string& text, const std::string& answer) {
    ASSERT_TRUE(terminal.Write(text));
    EXPECT_EQ(terminal.Read(answer.size()), answer) << "after " << text;
}

TEST(ConsoleSerial, ADialUpPortCarriesTheModemAsASerialPortCarriesItsService) {
    auto dun = StartConnect("00:12:AB:34:CD:56", "dun");
    auto spp = StartConnect("00:12:AB:34:CD:56", "spp");
    ConnectedPort dialUp, serial;
    ASSERT_TRUE(PortOf(*dun, &dialUp));
    ASSERT_TRUE(PortOf(*spp, &serial));
    EXPECT_NE(dialUp.name, serial.name);

    PtyClient modem(dialUp.path);
    ASSERT_TRUE(modem.ok()) << dialUp.path;
    ExpectExchange(modem, "AT\r", "AT\r\r\nOK\r\n");
    ExpectExchange(modem, "ATD*99#\r", "ATD*99#\r\r\nCONNECT\r\n");
    ExpectExchange(modem, "on line", "on line");  // a data call loops every byte back

    PtyClient echo(serial.path);
    ASSERT_TRUE(echo.ok()) << serial.path;
    ExpectExchange(echo, "AT\r", "AT\r");

    EXPECT_EQ(dun->Stop(), 0);
    EXPECT_EQ(spp->Stop(), 0);
}

TEST(ConsoleSerial, TwoDialUpConnectionsAtOnceTakePortsOfTheirOwn) {
    auto first = StartConnect("00:12:AB:34:CD:56", "dun");
    auto second = StartConnect("00:12:AB:34:CD:57", "dun");
    ConnectedPort one, two;
    ASSERT_TRUE(PortOf(*first, &one));
    ASSERT_TRUE(PortOf(*second, &two));
    EXPECT_NE(one.name, two.name);
    for (const ConnectedPort* port : {&one, &two}) {
        PtyClient modem(port->path);
        ASSERT_TRUE(modem.ok()) << port->path;
        ExpectExchange(modem, "AT\r", "AT\r\r\nOK\r\n");
    }
    EXPECT_EQ(first->Stop(), 0);
    EXPECT_EQ(second->Stop(), 0);
}

}  // namespace
