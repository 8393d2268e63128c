// Serial links of the simulated radio: client links to the devices' services, our listening
// server, the remote endpoints, and a COM port of the serial driver used as a program would.
#include <gtest/gtest.h>

#include "platform/bluetooth/bt_driver.h"
#include "platform/bluetooth/bt_port_params.h"
#include "platform/bluetooth/sdp_profile.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/paths.h"
#include "sim/radio.h"
#include "support/pty_client.h"
#include "support/serial_collector.h"
#include "support/sim_world.h"

namespace {

using testsupport::SerialCollector;

constexpr BT_ADDR kLaptop = 0x000E9F112233;
constexpr BT_ADDR kPhone = 0x0012AB34CD56;
constexpr BT_ADDR kGps = 0x000B0D876543;

const char* const kWorld = R"({
  "timing": {"nmea_ms": 5},
  "devices": [
    {"name": "Laptop", "address": "00:0E:9F:11:22:33", "services": [{"profile": "opp"}, {"profile": "spp", "channel": 2}]},
    {"name": "Phone", "address": "00:12:AB:34:CD:56", "services": [{"profile": "dun", "channel": 1}]},
    {"name": "GPS", "address": "00:0B:0D:87:65:43", "services": [{"profile": "spp", "endpoint": "nmea"}]},
    {"name": "Away", "address": "00:00:00:00:00:02", "in_range": false, "services": [{"profile": "spp"}]}],
  "events": [{"at_ms": 0, "type": "serial-connect", "device": "00:0B:0D:87:65:43"}]})";

sim::Radio& Radio() { return sim::Radio::Instance(); }

std::vector<bth::BasebandLink> Baseband() {
    std::vector<bth::BasebandLink> links;
    Radio().ReadBasebandLinks(&links);
    return links;
}

DWORD Send(bth::SerialLink& link, const std::string& text) {
    return link.Send(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

bool HasGga(const std::string& text, std::size_t count) {
    std::size_t found = 0;
    for (auto at = text.find("$GPGGA"); at != std::string::npos; at = text.find("$GPGGA", at + 1)) ++found;
    return found >= count;
}

// COM5 as a client port to the laptop's serial service, registered and opened as the engine does.
HANDLE RegisterLaptopPort() {
    PORTEMUPortParams params;
    params.device = kLaptop;
    params.uuidService = sdp::uuids::kSerialPort.ToGuid();
    bth::PortParamsCookie cookie(params);
    return RegisterDevice(L"COM", 5, L"btd.dll", cookie.value());
}

HANDLE OpenPort() { return CreateFileW(L"COM5:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr); }

class RadioSerial : public ::testing::Test {
protected:
    void SetUp() override { testsupport::UseWorld(kWorld); }
    DWORD Connect(BT_ADDR device, const sdp::Uuid& cls, std::uint8_t channel, std::unique_ptr<bth::SerialLink>* link) {
        return Radio().ConnectSerial(device, cls, channel, &sink, link);
    }
    SerialCollector sink;
};

TEST_F(RadioSerial, ClientLinksReachOnlyOfferedServicesInRangeAndHoldABasebandLink) {
    std::unique_ptr<bth::SerialLink> link;
    EXPECT_EQ(Connect(0x000000000002, sdp::uuids::kSerialPort, 0, &link), ERROR_TIMEOUT);
    EXPECT_EQ(Connect(0x000000000009, sdp::uuids::kSerialPort, 0, &link), ERROR_TIMEOUT);
    EXPECT_EQ(Connect(kLaptop, sdp::uuids::kDialupNetworking, 0, &link), ERROR_NOT_FOUND);
    EXPECT_EQ(Connect(kLaptop, sdp::uuids::kSerialPort, 5, &link), ERROR_NOT_FOUND);
    EXPECT_EQ(Connect(kLaptop, sdp::Uuid{}, 0, &link), ERROR_NOT_FOUND);
    EXPECT_TRUE(Baseband().empty());

    ASSERT_EQ(Connect(kLaptop, sdp::uuids::kSerialPort, 0, &link), 0u);
    EXPECT_EQ(link->Channel(), 2);
    EXPECT_EQ(Send(*link, "ping"), 0u);
    EXPECT_EQ(sink.AwaitSize(4), "ping");

    // A dial-up record names no class: whatever serves on its channel, here the phone's modem.
    SerialCollector modem;
    std::unique_ptr<bth::SerialLink> dialup;
    ASSERT_EQ(Radio().ConnectSerial(kPhone, sdp::Uuid{}, 1, &modem, &dialup), 0u);
    EXPECT_EQ(Send(*dialup, "ATD*99#\r"), 0u);
    EXPECT_EQ(modem.AwaitSize(19), "ATD*99#\r\r\nCONNECT\r\n");

    auto links = Baseband();
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].address, kLaptop);
    EXPECT_EQ(links[1].address, kPhone);
    EXPECT_NE(links[0].handle, links[1].handle);
    EXPECT_TRUE(links[0].acl);
    link.reset();
    ASSERT_EQ(Baseband().size(), 1u);
    EXPECT_EQ(Baseband()[0].address, kPhone);
    dialup.reset();
    EXPECT_TRUE(Baseband().empty());
}

TEST_F(RadioSerial, ServerTakesAFreeChannelAndATimelineDeviceTalksToIt) {
    std::uint32_t record = 0;
    ASSERT_EQ(Radio().PublishRecord(
                  sdp::BuildRfcommServiceRecord(0, sdp::uuids::kSerialPort, 2, "Ours", false, std::nullopt).Encode(),
                  &record),
              0u);
    std::unique_ptr<bth::SerialLink> server, second;
    SerialCollector other;
    ASSERT_EQ(Radio().ListenSerial(&sink, &server), 0u);
    ASSERT_EQ(Radio().ListenSerial(&other, &second), 0u);
    EXPECT_EQ(server->Channel(), 3);  // 1 is kept for last, 2 is published
    EXPECT_EQ(second->Channel(), 4);
    EXPECT_EQ(Send(*server, "nobody"), ERROR_DEVICE_NOT_CONNECTED);

    // The timeline's GPS connects to the lowest channel and talks at once.
    ASSERT_EQ(Radio().StartStack(), 0u);
    const std::string talk = sink.Await([](const std::string& text) { return HasGga(text, 2); });
    EXPECT_TRUE(HasGga(talk, 2)) << talk;
    EXPECT_EQ(Baseband().at(0).address, kGps);

    // The laptop takes its place and echoes; an unknown device never answers.
    EXPECT_EQ(Radio().ConnectToServer(0x000000000009), ERROR_TIMEOUT);
    ASSERT_EQ(Radio().ConnectToServer(kLaptop), 0u);
    ASSERT_EQ(Baseband().size(), 1u);
    EXPECT_EQ(Baseband()[0].address, kLaptop);
    sink.Take();
    EXPECT_EQ(Send(*server, "hello"), 0u);
    EXPECT_EQ(sink.AwaitSize(5), "hello");
    EXPECT_EQ(other.Take(), "");

    // A new world breaks every link; the talkers are stopped.
    testsupport::UseWorld(kWorld);
    EXPECT_TRUE(sink.AwaitBroken());
    EXPECT_TRUE(other.AwaitBroken());
    EXPECT_EQ(Send(*server, "x"), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_TRUE(Baseband().empty());
}

TEST_F(RadioSerial, ComPortTalksToTheLaptopsEchoThroughItsTerminal) {
    HANDLE device = RegisterLaptopPort();
    ASSERT_NE(device, nullptr);
    HANDLE port = OpenPort();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Baseband().size(), 1u);

    testsupport::PtyClient user((platform::RuntimeFolder().path / "COM5").string());
    ASSERT_TRUE(user.ok());
    std::string block(3000, '\0');
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7);
    ASSERT_TRUE(user.Write(block));
    EXPECT_EQ(user.Read(block.size()), block);

    CloseHandle(port);
    EXPECT_TRUE(Baseband().empty());
    DeregisterDevice(device);
}

}  // namespace

TEST_F(RadioSerial, ADeviceLeavingBreaksItsLinksAndAReturnNeedsANewConnection) {
    std::unique_ptr<bth::SerialLink> client, server;
    ASSERT_EQ(Connect(kLaptop, sdp::uuids::kSerialPort, 0, &client), 0u);
    SerialCollector listening;
    ASSERT_EQ(Radio().ListenSerial(&listening, &server), 0u);
    ASSERT_EQ(Radio().ConnectToServer(kPhone), 0u);
    bth::BasebandLink hooked;
    hooked.address = kLaptop;
    hooked.handle = 0x0F00;
    auto links = Baseband();
    links.push_back(hooked);
    Radio().SetBasebandLinks(links);

    Radio().Leave(kLaptop);
    EXPECT_TRUE(sink.AwaitBroken());
    EXPECT_EQ(Send(*client, "x"), ERROR_DEVICE_NOT_CONNECTED);
    ASSERT_EQ(Baseband().size(), 1u);  // the phone's; the laptop's went, the test hook's too
    EXPECT_EQ(Baseband()[0].address, kPhone);
    std::unique_ptr<bth::SerialLink> another;
    EXPECT_EQ(Connect(kLaptop, sdp::uuids::kSerialPort, 0, &another), ERROR_TIMEOUT);

    // Our server loses the phone but keeps listening for another device.
    Radio().Leave(kPhone);
    EXPECT_EQ(Send(*server, "AT\r"), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_TRUE(Baseband().empty());
    Radio().Return(kPhone);
    ASSERT_EQ(Radio().ConnectToServer(kPhone), 0u);
    EXPECT_EQ(Send(*server, "AT\r"), 0u);
    EXPECT_EQ(listening.AwaitSize(9), "AT\r\r\nOK\r\n");

    Radio().Return(kLaptop);
    EXPECT_EQ(Send(*client, "x"), ERROR_DEVICE_NOT_CONNECTED);  // broken stays broken
    EXPECT_EQ(Connect(kLaptop, sdp::uuids::kSerialPort, 0, &another), 0u);

    // The timeline's "leave" does the same.
    testsupport::UseWorld(R"({"devices": [{"address": "00:0E:9F:11:22:33", "services": [{"profile": "spp"}]}],
        "events": [{"at_ms": 0, "type": "leave", "device": "00:0E:9F:11:22:33"}]})");
    SerialCollector later;
    ASSERT_EQ(Radio().ConnectSerial(kLaptop, sdp::uuids::kSerialPort, 0, &later, &another), 0u);
    ASSERT_EQ(Radio().StartStack(), 0u);
    EXPECT_TRUE(later.AwaitBroken());
    another.reset();
}

TEST_F(RadioSerial, AComPortWhoseDeviceLeftWorksAgainWhenOpenedAfterItsReturn) {
    HANDLE device = RegisterLaptopPort();
    ASSERT_NE(device, nullptr);
    HANDLE port = OpenPort();
    ASSERT_NE(port, INVALID_HANDLE_VALUE);
    testsupport::PtyClient user((platform::RuntimeFolder().path / "COM5").string());
    ASSERT_TRUE(user.ok());
    ASSERT_TRUE(user.Write("before"));
    EXPECT_EQ(user.Read(6), "before");

    Radio().Leave(kLaptop);
    EXPECT_TRUE(Baseband().empty());
    EXPECT_EQ(OpenPort(), INVALID_HANDLE_VALUE);  // out of range: no new link
    Radio().Return(kLaptop);
    EXPECT_TRUE(Baseband().empty());  // nothing comes back by itself

    HANDLE reopened = OpenPort();
    ASSERT_NE(reopened, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Baseband().size(), 1u);  // a new link, on the same terminal
    ASSERT_TRUE(user.Write("after"));
    EXPECT_EQ(user.Read(5), "after");
    CloseHandle(reopened);
    CloseHandle(port);
    DeregisterDevice(device);
}

// The power is the user's switch: off, the radio finds, pairs and connects nothing and its
// links break; the stack's start does not switch it on; the next run (a new world) keeps it.
TEST_F(RadioSerial, SwitchedOffTheRadioFallsSilentUntilSwitchedOnAndTheNextRunKeepsIt) {
    std::uint32_t status = 0;
    const auto hardware = [&] { return Radio().ReadHardwareStatus(&status) == 0 ? status : 0xFFFFFFFFu; };
    testsupport::UseWorld(R"({"adapter": {"powered": false}})");
    EXPECT_EQ(hardware(), HCI_HARDWARE_SHUTDOWN) << "the world's first state";
    testsupport::UseWorld(kWorld);
    ASSERT_EQ(hardware(), HCI_HARDWARE_RUNNING) << "nothing stored yet: the world's default";

    std::unique_ptr<bth::SerialLink> client, server;
    ASSERT_EQ(Connect(kLaptop, sdp::uuids::kSerialPort, 0, &client), 0u);
    SerialCollector listening;
    ASSERT_EQ(Radio().ListenSerial(&listening, &server), 0u);
    ASSERT_EQ(Radio().ConnectToServer(kPhone), 0u);
    ASSERT_EQ(Baseband().size(), 2u);

    ASSERT_EQ(Radio().WritePower(false), 0u);
    EXPECT_TRUE(sink.AwaitBroken());
    EXPECT_EQ(Send(*server, "AT\r"), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_TRUE(Baseband().empty());
    EXPECT_EQ(hardware(), HCI_HARDWARE_SHUTDOWN);
    bth::LookupId lookup = 0;
    EXPECT_EQ(Radio().BeginInquiry(&lookup), WSAENETDOWN);
    EXPECT_EQ(Radio().PairRequest(kLaptop, bth::Pin{'0', '0', '0', '0'}), ERROR_NOT_READY);
    std::wstring name;
    EXPECT_EQ(Radio().RemoteName(kLaptop, &name), ERROR_NOT_READY);
    std::unique_ptr<bth::SerialLink> another;
    EXPECT_EQ(Connect(kLaptop, sdp::uuids::kSerialPort, 0, &another), ERROR_NOT_READY);
    EXPECT_EQ(Radio().ConnectToServer(kPhone), ERROR_NOT_READY);
    ASSERT_EQ(Radio().StartStack(), 0u);
    EXPECT_EQ(hardware(), HCI_HARDWARE_SHUTDOWN) << "the stack's start leaves the power alone";

    testsupport::UseWorld(kWorld);
    EXPECT_EQ(hardware(), HCI_HARDWARE_SHUTDOWN) << "the next run starts as this one left it";
    ASSERT_EQ(Radio().WritePower(true), 0u);
    EXPECT_EQ(hardware(), HCI_HARDWARE_RUNNING);
    EXPECT_EQ(Connect(kLaptop, sdp::uuids::kSerialPort, 0, &another), 0u);
    testsupport::UseWorld(R"({"adapter": {"powered": false}})");
    EXPECT_EQ(hardware(), HCI_HARDWARE_RUNNING) << "the stored switch wins over the world's first state";
}
