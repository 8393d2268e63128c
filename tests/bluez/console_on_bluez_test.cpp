// nimbrelctl on a fake bluetoothd, as a user drives it on a desktop with BlueZ: the adapter's
// switches, discovery, services, pairing both ways, a serial port and a remote folder, and
// bluetoothd misbehaving.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "platform/kernel/paths.h"
#include "platform/obex/obex_session.h"
#include "platform/obex/socket_transport.h"
#include "support/background_command.h"
#include "support/fake_bluez.h"
#include "support/pty_client.h"
#include "support/scripted_ftp_peer.h"
#include "support/scripted_obex_server.h"
#include "support/tools.h"

namespace {

using testsupport::BackgroundCommand;
using testsupport::CommandOutcome;
using testsupport::FakeBlueZ;
using testsupport::FakeDevice;

constexpr const char* kPhone = "00:12:AB:34:CD:56";
constexpr const char* kGps = "00:12:AB:34:CD:57";
constexpr const char* kSpp = "00001101-0000-1000-8000-00805f9b34fb";
constexpr const char* kFtp = "00001106-0000-1000-8000-00805f9b34fb";
constexpr const char* kOpp = "00001105-0000-1000-8000-00805f9b34fb";

// The far end of a device that pushes a file to us: the fake relays the profile's socket to
// this TCP port, where an OBEX client pushes `name` once and keeps the final answer.
class PushingPeer {
public:
    PushingPeer(std::wstring name, std::string bytes) {
        listener_.reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), size);
        listen(listener_.get(), 1);
        getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        answer_ = std::async(std::launch::async, [this, name = std::move(name), bytes = std::move(bytes)] {
            platform::UniqueFd connection(accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
            obex::ClientSession session(obex::SocketTransport::Create(std::move(connection)), std::chrono::seconds(20));
            if (!session.Connect({}).ok()) return obex::ResponseCode::ServiceUnavailable;
            obex::OperationId put = 0;
            auto result = session.BeginPut({obex::Header::Name(name), obex::Header::Length(bytes.size())}, &put);
            for (std::size_t at = 0; result.ok() && at < bytes.size();) {
                const std::size_t count = std::min(session.BodyCapacity(), bytes.size() - at);
                obex::Bytes body(bytes.begin() + at, bytes.begin() + at + count);
                at += count;
                result = session.PutPart(put, &body, at == bytes.size(), true);
            }
            session.Disconnect({});
            return result.response;
        });
    }
    std::string endpoint() const { return "tcp:127.0.0.1:" + std::to_string(port_); }
    std::optional<obex::ResponseCode> Answer() {
        if (answer_.wait_for(std::chrono::seconds(30)) != std::future_status::ready) return std::nullopt;
        return answer_.get();
    }

private:
    platform::UniqueFd listener_;
    std::uint16_t port_ = 0;
    std::future<obex::ResponseCode> answer_;
};

class ConsoleOnBlueZ : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fake_.Start());
        // A scan of bluetoothd's lasts the registry's inquiry length: short here.
        ASSERT_EQ(testsupport::RunCommand(testsupport::ToolPath("nimbrel-reg") +
                                          " set software/Trevanix/Nimbrel 'Inquiry Length' dword 400"),
                  0);
        FakeDevice phone{.name = "My Phone", .deviceClass = 0x5A020C, .uuids = {kSpp, "1105"}, .pin = "1234"};
        ASSERT_TRUE(fake_.AddDevice(kPhone, phone));
        FakeDevice gps{.name = "GPS", .deviceClass = 0x001F00, .uuids = {kSpp}, .pin = "0000"};
        ASSERT_TRUE(fake_.AddDevice(kGps, gps));
    }

    static std::string Ctl() { return testsupport::ToolPath("nimbrelctl") + " --backend bluez"; }
    static CommandOutcome Run(const std::string& args) { return testsupport::RunCapturing(Ctl() + " " + args); }
    static std::unique_ptr<BackgroundCommand> Start(std::vector<std::string> args) {
        args.insert(args.begin(), {"--backend", "bluez"});
        return std::make_unique<BackgroundCommand>(testsupport::ToolPath("nimbrelctl"), args);
    }

    // Waits (bounded) for `text` among what the command reported on standard error.
    static void ExpectReported(BackgroundCommand& command, const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (command.Errors().find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline)
            command.ReadLine(std::chrono::milliseconds(200));
        EXPECT_NE(command.Errors().find(text), std::string::npos) << command.Errors();
    }

    // Waits (bounded) until a client of the fake made this call ("interface.Member").
    bool WaitForCall(const std::string& call) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline) {
            for (const std::string& made : fake_.CallLog())
                if (made.rfind(call, 0) == 0) return true;
            std::this_thread::yield();
        }
        return false;
    }

    FakeBlueZ fake_;
};

TEST_F(ConsoleOnBlueZ, StatusPowerAndFindableAreTheAdaptersOwn) {
    auto status = Run("status");
    ASSERT_EQ(status.status, 0) << status.err;
    EXPECT_EQ(status.out.substr(0, status.out.find('\n')), "backend\tbluez hci0");
    EXPECT_NE(status.out.find("power\ton\n"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("address\t00:1a:7d:da:71:13\n"), std::string::npos) << status.out;

    ASSERT_EQ(Run("findable on").status, 0);
    EXPECT_EQ(fake_.AdapterProperty<bool>("Discoverable"), true);
    EXPECT_EQ(fake_.AdapterProperty<std::uint32_t>("DiscoverableTimeout"), 0u);  // until switched off
    ASSERT_EQ(Run("findable off").status, 0);
    EXPECT_EQ(fake_.AdapterProperty<bool>("Discoverable"), false);

    ASSERT_EQ(Run("power off").status, 0);
    EXPECT_EQ(fake_.AdapterProperty<bool>("Powered"), false);
    EXPECT_NE(Run("status").out.find("power\toff\n"), std::string::npos);
    // Power is the user's: nothing switches it back on behind their back.
    auto scan = Run("scan");
    EXPECT_EQ(scan.status, 1);
    EXPECT_NE(scan.err.find("nimbrelctl power on"), std::string::npos) << scan.err;
    EXPECT_EQ(fake_.AdapterProperty<bool>("Powered"), false);
    ASSERT_EQ(Run("power on").status, 0);
    EXPECT_EQ(fake_.AdapterProperty<bool>("Powered"), true);
}

TEST_F(ConsoleOnBlueZ, ScanAndServicesShowWhatBluetoothdFound) {
    auto scan = Run("scan");
    ASSERT_EQ(scan.status, 0) << scan.err;
    EXPECT_NE(scan.out.find("00:12:ab:34:cd:56\t0x5a020c\t0\tMy Phone\n"), std::string::npos) << scan.out;
    EXPECT_NE(scan.out.find("00:12:ab:34:cd:57\t0x001f00\t0\tGPS\n"), std::string::npos) << scan.out;
    EXPECT_EQ(fake_.AdapterProperty<bool>("Discovering"), false);  // the scan's end stopped it

    auto services = Run(std::string("services ") + kPhone);
    ASSERT_EQ(services.status, 0) << services.err;
    EXPECT_EQ(services.out, "1\tSerial Port\n3\tObject Push\n");
}

TEST_F(ConsoleOnBlueZ, PairingTakesTheRightPinOnlyAndUnpairingForgetsTheBond) {
    auto wrong = Run(std::string("pair ") + kPhone + " 9999");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.out.find("paired\t0"), std::string::npos) << wrong.out;
    EXPECT_NE(wrong.err.find("org.bluez.Error.AuthenticationFailed"), std::string::npos) << wrong.err;
    EXPECT_EQ(fake_.DeviceProperty<bool>(kPhone, "Paired"), false);

    auto right = Run(std::string("pair ") + kPhone + " 1234");
    ASSERT_EQ(right.status, 0) << right.err;
    EXPECT_EQ(fake_.DeviceProperty<bool>(kPhone, "Paired"), true);
    EXPECT_EQ(fake_.DeviceProperty<bool>(kPhone, "Trusted"), true);
    // The next run lists it as paired, from the mirrored bond.
    EXPECT_NE(Run("scan").out.find("00:12:ab:34:cd:56\t0x5a020c\t1\tMy Phone\n"), std::string::npos);

    auto unpair = Run(std::string("unpair ") + kPhone);
    ASSERT_EQ(unpair.status, 0) << unpair.err;
    EXPECT_FALSE(fake_.DeviceExists(kPhone));  // bluetoothd forgets a removed device
    EXPECT_NE(Run("scan").out.find("00:12:ab:34:cd:56\t0x5a020c\t0\tMy Phone\n"), std::string::npos);
}

TEST_F(ConsoleOnBlueZ, WatchAnswersARemoteDevicesRequestAndKeepsDoingSoAfterBluetoothdRestarts) {
    ASSERT_EQ(Run("scan").status, 0);  // bluetoothd knows the phone
    auto watch = Start({"watch", "--pin", "1234"});
    ASSERT_EQ(watch->ReadLine(), "watching") << watch->Errors();
    ASSERT_TRUE(fake_.RequestPin(kPhone));
    auto answer = fake_.WaitForAgentAnswer(kPhone);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->answer, "1234");
    EXPECT_EQ(watch->ReadLine(), "00:12:ab:34:cd:56\tpaired\t1");

    // A new bluetoothd knows nothing of our agent: it is registered again.
    ASSERT_TRUE(fake_.RestartBlueZ());
    ASSERT_TRUE(WaitForCall("org.bluez.AgentManager1.RequestDefaultAgent"));
    ASSERT_TRUE(fake_.RequestPin(kGps));
    answer = fake_.WaitForAgentAnswer(kGps);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->answer, "1234");
    EXPECT_EQ(watch->Stop(), 0);
}

TEST_F(ConsoleOnBlueZ, ADeviceThatAsksToConfirmAPasskeyIsShownItAndAnsweredAsTheUserSaid) {
    ASSERT_TRUE(fake_.AddDevice("00:12:AB:34:CD:59", FakeDevice{.name = "New Phone", .ssp = true, .passkey = 4711}));
    ASSERT_TRUE(fake_.AddDevice("00:12:AB:34:CD:5A", FakeDevice{.name = "Stranger", .ssp = true, .passkey = 99}));
    ASSERT_EQ(Run("scan").status, 0);
    {
        auto watch = Start({"watch", "--confirm"});
        ASSERT_EQ(watch->ReadLine(), "watching") << watch->Errors();
        ASSERT_TRUE(fake_.RequestPin("00:12:AB:34:CD:59"));
        EXPECT_EQ(watch->ReadLine(), "00:12:ab:34:cd:59\tconfirm\t004711");
        EXPECT_EQ(watch->ReadLine(), "00:12:ab:34:cd:59\tpaired\t1");
        auto answer = fake_.WaitForAgentAnswer("00:12:AB:34:CD:59");
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->answer, "yes");
        EXPECT_EQ(watch->Stop(), 0);
    }
    // Without --confirm the question is answered no.
    auto watch = Start({"watch", "--pin", "1234"});
    ASSERT_EQ(watch->ReadLine(), "watching") << watch->Errors();
    ASSERT_TRUE(fake_.RequestPin("00:12:AB:34:CD:5A"));
    EXPECT_EQ(watch->ReadLine(), "00:12:ab:34:cd:5a\tconfirm\t000099");
    EXPECT_EQ(watch->ReadLine(), "00:12:ab:34:cd:5a\trefused");
    EXPECT_EQ(fake_.DeviceProperty<bool>("00:12:AB:34:CD:5A", "Paired"), false);
    EXPECT_EQ(watch->Stop(), 0);
}

TEST_F(ConsoleOnBlueZ, AConnectedSerialPortCarriesTheDevicesBytesUntilItLeaves) {
    auto connect = Start({"connect", kGps, "spp"});
    const auto line = connect->ReadLine();
    ASSERT_TRUE(line) << connect->Errors();
    const std::string path = line->substr(line->find('\t') + 1);
    testsupport::PtyClient terminal(path);
    ASSERT_TRUE(terminal.ok()) << path;
    ASSERT_TRUE(terminal.Write("$GPGGA,1*00\r\n"));
    EXPECT_EQ(terminal.Read(13), "$GPGGA,1*00\r\n");  // the fake's device echoes
    EXPECT_EQ(fake_.DeviceProperty<bool>(kGps, "Connected"), true);

    // The link drops; the engine reports it as on any radio.
    ASSERT_TRUE(fake_.Leave(kGps));
    ExpectReported(*connect, "disconnected");
    EXPECT_EQ(connect->Stop(), 0);
}

TEST_F(ConsoleOnBlueZ, TheAdapterGoingAwayMidConnectionBreaksTheLinkAndIsReported) {
    auto connect = Start({"connect", kGps, "spp"});
    ASSERT_TRUE(connect->ReadLine()) << connect->Errors();
    ASSERT_TRUE(fake_.SetFault("no-adapter", true));
    ExpectReported(*connect, "disconnected");
    EXPECT_EQ(connect->Stop(), 0);
}

TEST_F(ConsoleOnBlueZ, OurSerialServerTakesADeviceThatConnectsAndListensAgainWhenItLeaves) {
    auto server = Start({"server"});
    std::map<std::string, std::string> fields;
    while (fields.size() < 5) {
        const auto line = server->ReadLine();
        ASSERT_TRUE(line) << server->Errors();
        fields[line->substr(0, line->find('\t'))] = line->substr(line->find('\t') + 1);
    }
    EXPECT_EQ(fields["channel"], "2");
    // bluetoothd publishes the record the engine made, channel and all.
    const std::string record = fake_.ProfileRecord(kSpp);
    EXPECT_NE(record.find("<attribute id=\"0x0001\"><sequence><uuid value=\"00001101-0000-1000-8000-00805F9B34FB\" />"
                          "</sequence></attribute>"),
              std::string::npos)
        << record;
    EXPECT_NE(record.find("<uuid value=\"0x0003\" /><uint8 value=\"0x02\" />"), std::string::npos) << record;
    testsupport::PtyClient terminal(fields["path"]);
    ASSERT_TRUE(terminal.ok()) << fields["path"];
    for (int visit = 0; visit < 2; ++visit) {
        ASSERT_EQ(fake_.ConnectToUs(kGps, kSpp), "connected") << server->Errors();
        ASSERT_TRUE(terminal.Write("ping\r\n"));
        EXPECT_EQ(terminal.Read(6), "ping\r\n");  // the device echoes what our port sends
        ASSERT_TRUE(fake_.Leave(kGps));
        ASSERT_TRUE(fake_.Return(kGps));
    }
    EXPECT_EQ(server->Stop(), 0);
    EXPECT_EQ(fake_.ProfileRecord(kSpp), "");  // the client profile alone is left, without a record
}

TEST_F(ConsoleOnBlueZ, OurObexServersTakeAPushFromAPairedDeviceOnlyAndSayWhoHoldsAProfile) {
    // obexd holds File Transfer; Object Push is ours.
    ASSERT_TRUE(fake_.SetFault(std::string("profile-taken:") + kFtp, true));
    auto server = Start({"obex-server"});
    std::string listening;
    while (listening.find("Received files go to") == std::string::npos) {
        const auto line = server->ReadLine();
        ASSERT_TRUE(line) << server->Errors();
        listening += *line + "\n";
    }
    EXPECT_NE(listening.find("Object Push on RFCOMM channel 9"), std::string::npos) << listening;
    EXPECT_NE(listening.find("File Transfer: another program holds the profile " + std::string(kFtp)),
              std::string::npos) << listening;
    EXPECT_NE(listening.find("systemctl --user stop obex"), std::string::npos) << listening;

    const std::string name = "Gr\xC3\xBC\xC3\x9F" "e.bin";  // "Grüße.bin"
    const std::string bytes(200 * 1024, 'g');
    PushingPeer stranger(L"Gr\u00FC\u00DFe.bin", bytes);
    ASSERT_TRUE(fake_.AddDevice("00:12:AB:34:CD:60", FakeDevice{.name = "Stranger", .endpoint = stranger.endpoint()}));
    ASSERT_EQ(fake_.ConnectToUs("00:12:AB:34:CD:60", kOpp), "connected");
    EXPECT_EQ(stranger.Answer(), obex::ResponseCode::Forbidden);
    auto line = server->ReadLine();
    ASSERT_TRUE(line);
    EXPECT_EQ(*line, "refused\t" + name + "\t00:12:AB:34:CD:60\tthe device is not paired and was not accepted");

    PushingPeer friendly(L"Gr\u00FC\u00DFe.bin", bytes);
    ASSERT_TRUE(fake_.AddDevice("00:12:AB:34:CD:61",
                                FakeDevice{.name = "Friend", .endpoint = friendly.endpoint(), .paired = true}));
    ASSERT_EQ(fake_.ConnectToUs("00:12:AB:34:CD:61", kOpp), "connected");
    EXPECT_EQ(friendly.Answer(), obex::ResponseCode::Success);
    line = server->ReadLine();
    ASSERT_TRUE(line);
    const std::filesystem::path stored = platform::FileRoot() / "Temp" / name;
    EXPECT_EQ(*line, "received\t" + stored.string() + "\t00:12:AB:34:CD:61\t204800");
    EXPECT_TRUE(testsupport::ReadFile(stored) == bytes) << "byte-exact";
    EXPECT_EQ(server->Stop(), 0);
}

TEST_F(ConsoleOnBlueZ, ARemoteFolderIsListedAndFetchedOverTheProfilesSocket) {
    testsupport::ScriptedObexServer server(testsupport::FtpPeer({.files = {{L"notes.txt", "remember the milk"}}}));
    ASSERT_TRUE(fake_.AddDevice("00:12:AB:34:CD:58", FakeDevice{.name = "Laptop", .uuids = {kFtp},
                                                                 .endpoint = "tcp:" + server.address()}));
    auto listing = Run("ls 00:12:AB:34:CD:58");
    ASSERT_EQ(listing.status, 0) << listing.err;
    EXPECT_NE(listing.out.find("folder\t-\tsub\n"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("file\t17\tnotes.txt\n"), std::string::npos) << listing.out;

    const auto target = std::filesystem::temp_directory_path() / ("bluez-get-" + std::to_string(getpid()));
    std::filesystem::create_directories(target);
    auto get = Run("get 00:12:AB:34:CD:58 notes.txt --to " + target.string());
    ASSERT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(testsupport::ReadFile(target / "notes.txt"), "remember the milk");
    std::filesystem::remove_all(target);
}

TEST_F(ConsoleOnBlueZ, BluetoothdMisbehavingEndsInAClearErrorNeverAHang) {
    // obexd holds File Transfer: the user is told who and what to do.
    ASSERT_TRUE(fake_.SetFault(std::string("profile-taken:") + kFtp, true));
    ASSERT_TRUE(fake_.AddDevice("00:12:AB:34:CD:58", FakeDevice{.name = "Laptop", .uuids = {kFtp}}));
    auto taken = Run("ls 00:12:AB:34:CD:58");
    EXPECT_EQ(taken.status, 1);
    EXPECT_NE(taken.err.find("obexd"), std::string::npos) << taken.err;

    // A discovery bluetoothd never answers ends with the call's time-out.
    ASSERT_TRUE(fake_.SetFault("silent:StartDiscovery", true));
    const auto begun = std::chrono::steady_clock::now();
    auto scan = Run("scan");
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(30));
    EXPECT_NE(scan.err.find("NoReply"), std::string::npos) << scan.err;
    ASSERT_TRUE(fake_.SetFault("silent:StartDiscovery", false));

    // No adapter: the engine finds no hardware.
    ASSERT_TRUE(fake_.SetFault("no-adapter", true));
    auto none = Run("status");
    EXPECT_EQ(none.status, 1) << none.out;
    EXPECT_NE(none.err.find("no Bluetooth adapter"), std::string::npos) << none.err;
}

}  // namespace
