// Our own Object Push and File Transfer servers, as the remote devices of the simulated world
// reach them: each device runs the platform's OBEX client over its link to the server the OBEX
// server service started.
#include <gtest/gtest.h>

#include <unistd.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>

#include "platform/bluetooth/sdp_uuid.h"
#include "platform/kernel/paths.h"
#include "platform/obex/server/server_host.h"
#include "platform/obex/server/server_service.h"
#include "platform/registry/registry.h"
#include "platform/text/utf.h"
#include "sim/radio.h"
#include "support/sim_world.h"
#include "support/tools.h"

namespace {

namespace fs = std::filesystem;
using obex::ResponseCode;
using obex::SessionStatus;

constexpr BT_ADDR kPaired = 0x000E9F112233;
constexpr BT_ADDR kStranger = 0x0012AB34CD56;
constexpr BT_ADDR kAway = 0x000000000009;  // in no world

std::string Bytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::uint8_t> RandomBytes(std::size_t size) {
    std::mt19937 random(42);
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    return bytes;
}

std::vector<fs::path> FilesUnder(const fs::path& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Says yes or no to every offer, and keeps what it was told.
class AnsweringHost final : public obex::ServerHost {
public:
    explicit AnsweringHost(bool allow) : allow_(allow) {}
    bool Allow(const obex::Offer& offer) override {
        std::lock_guard lock(mutex_);
        offers.push_back(offer);
        return allow_;
    }
    void Received(const obex::Peer& peer, const fs::path& path, std::uint64_t size) override {
        std::lock_guard lock(mutex_);
        received.push_back({peer.name, path, size});
    }
    struct Stored {
        std::string peer;
        fs::path path;
        std::uint64_t size;
    };
    std::vector<obex::Offer> offers;
    std::vector<Stored> received;

private:
    const bool allow_;
    std::mutex mutex_;
};

class OurObexServers : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"devices": [
          {"name": "Laptop", "address": "00:0E:9F:11:22:33", "paired_pin": "1234"},
          {"name": "Phone", "address": "00:12:AB:34:CD:56"}]})"));
        fs::create_directories(inbox);
        fs::create_directories(shared / "Photos");
        std::ofstream(shared / "notes.txt") << "twelve bytes";
        SetFolder(L"ObexOPP", inbox);
        SetFolder(L"ObexFTP", shared);
    }
    void TearDown() override { obex::StopServers(); }

    static void SetFolder(const wchar_t* value, const fs::path& folder) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"software\\Trevanix\\Nimbrel", 0, nullptr, 0, 0, nullptr, &key,
                                  nullptr),
                  ERROR_SUCCESS);
        const std::wstring text = platform::WideFromUtf8(folder.string());
        ASSERT_EQ(RegSetValueExW(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 RegStringSize(text)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    // Starts the servers anew as the OBEX server service does, with `host` deciding for strangers.
    static void Start(std::shared_ptr<obex::ServerHost> host = nullptr) {
        obex::StopServers();  // a running service keeps the host it started with
        obex::ConfigureServers({std::move(host), std::nullopt});
        ASSERT_EQ(obex::StartServers(bth::InstalledBackend()), ERROR_SUCCESS);
    }

    static obex::SessionResult Push(BT_ADDR device, const std::wstring& name, const std::vector<std::uint8_t>& body) {
        obex::SessionResult result;
        EXPECT_EQ(sim::Radio::Instance().PushToServer(device, name, body, &result), ERROR_SUCCESS);
        return result;
    }

    sim::Radio& radio = sim::Radio::Instance();
    const fs::path home = platform::NimbrelHome();
    const fs::path inbox = home / "inbox";
    const fs::path shared = home / "shared";
};

TEST_F(OurObexServers, APairedDevicesPushArrivesWholeUnderItsOwnNameAndNeverOverAnotherFile) {
    auto host = std::make_shared<AnsweringHost>(false);
    ASSERT_NO_FATAL_FAILURE(Start(host));
    const std::wstring name = L"Gr\u00FC\u00DFe \U0001F4F7.bin";
    const auto body = RandomBytes(200 * 1000);
    auto pushed = Push(kPaired, name, body);
    EXPECT_TRUE(pushed.ok()) << obex::SessionStatusText(pushed.status);
    EXPECT_EQ(pushed.response, ResponseCode::Success);
    const fs::path arrived = inbox / "Gr\u00FC\u00DFe \U0001F4F7.bin";
    EXPECT_TRUE(Bytes(arrived) == std::string(body.begin(), body.end()));

    // The same name again: the first file stays, the second takes a free name.
    const auto second = RandomBytes(1000);
    EXPECT_TRUE(Push(kPaired, name, second).ok());
    EXPECT_TRUE(Bytes(arrived) == std::string(body.begin(), body.end()));
    EXPECT_TRUE(Bytes(inbox / "Gr\u00FC\u00DFe \U0001F4F7 (1).bin") == std::string(second.begin(), second.end()));

    // A name that climbs out of the inbox lands inside it; an empty object is an object too.
    EXPECT_TRUE(Push(kPaired, L"../../evil", {}).ok());
    EXPECT_TRUE(fs::exists(inbox / "evil"));
    for (const auto& file : FilesUnder(home))
        EXPECT_TRUE(file.filename() != "evil" || file.parent_path() == inbox) << file;
    EXPECT_EQ(FilesUnder(inbox).size(), 3u);

    EXPECT_TRUE(host->offers.empty());  // a paired device is not asked about
    ASSERT_EQ(host->received.size(), 3u);
    EXPECT_EQ(host->received[0].peer, "00:0E:9F:11:22:33");
    EXPECT_EQ(host->received[0].path, arrived);
    EXPECT_EQ(host->received[0].size, body.size());
    obex::StopServers();
    std::vector<bth::BasebandLink> links;
    ASSERT_EQ(radio.ReadBasebandLinks(&links), ERROR_SUCCESS);
    EXPECT_TRUE(links.empty());  // each device's link went with its session
}

TEST_F(OurObexServers, AStrangersPushAndBrowsingAreForbiddenUnlessTheHostAllowsThem) {
    ASSERT_NO_FATAL_FAILURE(Start());  // no host: strangers get nothing
    auto refused = Push(kStranger, L"intruder.txt", RandomBytes(5000));
    EXPECT_EQ(refused.status, SessionStatus::Refused);
    EXPECT_EQ(refused.response, ResponseCode::Forbidden);
    std::string listing;
    obex::SessionResult browsed;
    ASSERT_EQ(radio.BrowseServer(kStranger, &listing, &browsed), ERROR_SUCCESS);
    EXPECT_EQ(browsed.response, ResponseCode::Forbidden);
    EXPECT_TRUE(listing.empty());
    EXPECT_TRUE(fs::is_empty(inbox));

    auto host = std::make_shared<AnsweringHost>(true);
    ASSERT_NO_FATAL_FAILURE(Start(host));
    const auto body = RandomBytes(5000);
    EXPECT_TRUE(Push(kStranger, L"welcome.txt", body).ok());
    EXPECT_TRUE(Bytes(inbox / "welcome.txt") == std::string(body.begin(), body.end()));
    ASSERT_EQ(host->offers.size(), 1u);
    EXPECT_EQ(host->offers[0].name, L"welcome.txt");
    EXPECT_EQ(host->offers[0].length, body.size());
    EXPECT_EQ(host->offers[0].peer.device, kStranger);
    EXPECT_FALSE(host->offers[0].peer.paired);
}

TEST_F(OurObexServers, BrowsingListsTheSharedFolder) {
    ASSERT_NO_FATAL_FAILURE(Start());
    std::string listing;
    obex::SessionResult result;
    ASSERT_EQ(radio.BrowseServer(kPaired, &listing, &result), ERROR_SUCCESS);
    EXPECT_TRUE(result.ok()) << obex::SessionStatusText(result.status);
    EXPECT_EQ(listing.rfind("<?xml", 0), 0u) << listing;
    EXPECT_NE(listing.find("<folder name=\"Photos\""), std::string::npos) << listing;
    EXPECT_NE(listing.find("<file name=\"notes.txt\" size=\"12\""), std::string::npos) << listing;
}

TEST_F(OurObexServers, ADeviceReachesOnlyAServerThatListensOnAnAdapterThatIsOn) {
    obex::SessionResult result;
    EXPECT_EQ(radio.PushToServer(kPaired, L"a", {}, &result), ERROR_NOT_FOUND);  // nothing listens yet
    ASSERT_NO_FATAL_FAILURE(Start());
    EXPECT_EQ(radio.PushToServer(kAway, L"a", {}, &result), ERROR_TIMEOUT);
    radio.Leave(kPaired);
    EXPECT_EQ(radio.PushToServer(kPaired, L"a", {}, &result), ERROR_TIMEOUT);
    radio.Return(kPaired);
    ASSERT_EQ(radio.WritePower(false), ERROR_SUCCESS);
    EXPECT_EQ(radio.PushToServer(kPaired, L"a", {}, &result), ERROR_NOT_READY);
    ASSERT_EQ(radio.WritePower(true), ERROR_SUCCESS);
    EXPECT_EQ(radio.PushToServer(kPaired, L"a", {}, &result), ERROR_SUCCESS);
    obex::StopServers();
    EXPECT_EQ(radio.PushToServer(kPaired, L"b", {}, &result), ERROR_NOT_FOUND);
    EXPECT_TRUE(fs::exists(inbox / "a"));
    EXPECT_FALSE(fs::exists(inbox / "b"));
}

TEST_F(OurObexServers, NimbrelctlMakesADevicePushAndBrowse) {
    ASSERT_NO_FATAL_FAILURE(Start());
    const fs::path file = home / "to send" / "Gr\u00FC\u00DFe \U0001F4F7.bin";
    fs::create_directories(file.parent_path());
    const auto body = RandomBytes(70000);
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(body.data()), body.size());
    const std::string radioCommand = testsupport::ToolPath("nimbrelctl") + " radio ";
    const std::string pid = " --pid " + std::to_string(::getpid());

    auto pushed = testsupport::RunCapturing(radioCommand + "push 00:0E:9F:11:22:33 '" + file.string() + "'" + pid);
    EXPECT_EQ(pushed.status, 0) << pushed.err;
    EXPECT_EQ(pushed.out, "Success\n");
    EXPECT_TRUE(Bytes(inbox / file.filename()) == Bytes(file));

    auto refused = testsupport::RunCapturing(radioCommand + "push 00:12:AB:34:CD:56 '" + file.string() + "'" + pid);
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_EQ(refused.out, "Forbidden (0xC3)\n");

    auto missing = testsupport::RunCapturing(radioCommand + "push 00:0E:9F:11:22:33 " + (home / "none").string() + pid);
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("not a file"), std::string::npos) << missing.err;

    auto browsed = testsupport::RunCapturing(radioCommand + "browse 00:0E:9F:11:22:33" + pid);
    EXPECT_EQ(browsed.status, 0) << browsed.err;
    EXPECT_EQ(browsed.out.rfind("<?xml", 0), 0u) << browsed.out;
    EXPECT_NE(browsed.out.find("\n  <file name=\"notes.txt\""), std::string::npos) << browsed.out;

    auto away = testsupport::RunCapturing(radioCommand + "browse 00:00:00:00:00:09" + pid);
    EXPECT_EQ(away.status, 1);
    EXPECT_NE(away.err.find("no device 00:00:00:00:00:09 in the world"), std::string::npos) << away.err;
}

// A listener that holds the first connection until it is let go.
class HeldListener final : public bth::IncomingLinks {
public:
    void Connected(BT_ADDR, const bth::LinkOpener&) override {
        std::unique_lock lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait_for(lock, std::chrono::seconds(30), [this] { return released; });
        returned = true;
    }
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false, released = false, returned = false;
};

TEST(SimulatedObexListening, ChannelsAreFreeOnesAndAListenerIsNotCalledOnceItsListeningHasGone) {
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"devices": [{"address": "00:0E:9F:11:22:33"}]})"));
    sim::Radio& radio = sim::Radio::Instance();
    HeldListener listener;
    std::unique_ptr<bth::Listening> push, again, transfer;
    std::string holder;
    ASSERT_EQ(radio.ListenObex(sdp::uuids::kObexObjectPush, &listener, &push, &holder), ERROR_SUCCESS);
    EXPECT_EQ(radio.ListenObex(sdp::uuids::kObexObjectPush, &listener, &again, &holder), ERROR_ALREADY_ASSIGNED);
    EXPECT_NE(holder.find("RFCOMM channel " + std::to_string(push->Channel())), std::string::npos) << holder;
    ASSERT_EQ(radio.ListenObex(sdp::uuids::kObexFileTransfer, &listener, &transfer, &holder), ERROR_SUCCESS);
    struct Sink final : bth::SerialSink {
        void Received(const std::uint8_t*, std::size_t) override {}
        void Broken() override {}
    } sink;
    std::unique_ptr<bth::SerialLink> serial;
    ASSERT_EQ(radio.ListenSerial(&sink, &serial), ERROR_SUCCESS);
    EXPECT_NE(push->Channel(), transfer->Channel());
    EXPECT_NE(serial->Channel(), push->Channel());
    EXPECT_NE(serial->Channel(), transfer->Channel());

    obex::SessionResult result;
    DWORD pushError = 0;
    std::thread device([&] { pushError = radio.PushToServer(0x000E9F112233, L"x", {}, &result); });
    {
        std::unique_lock lock(listener.mutex);
        ASSERT_TRUE(listener.changed.wait_for(lock, std::chrono::seconds(30), [&] { return listener.entered; }));
    }
    bool returnedBeforeGone = false;
    std::thread stopping([&] {
        push.reset();
        std::lock_guard lock(listener.mutex);
        returnedBeforeGone = listener.returned;
    });
    {
        std::lock_guard lock(listener.mutex);
        listener.released = true;
        listener.changed.notify_all();
    }
    stopping.join();
    device.join();
    EXPECT_TRUE(returnedBeforeGone);
    EXPECT_EQ(pushError, ERROR_DEVICE_NOT_CONNECTED);  // the listener opened no link
    EXPECT_EQ(radio.PushToServer(0x000E9F112233, L"x", {}, &result), ERROR_NOT_FOUND);
    ASSERT_EQ(radio.ListenObex(sdp::uuids::kObexObjectPush, &listener, &again, &holder), ERROR_SUCCESS);

    // A new world: nothing reaches the old one's servers.
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"devices": [{"address": "00:0E:9F:11:22:33"}]})"));
    EXPECT_EQ(radio.PushToServer(0x000E9F112233, L"x", {}, &result), ERROR_NOT_FOUND);
}

}  // namespace
