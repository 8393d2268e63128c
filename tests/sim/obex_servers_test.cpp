// The simulated Object Push and File Transfer servers, reached as the engine reaches them:
// through the OBEX component's binder over the radio's serial links.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/kernel/paths.h"
#include "platform/obex/obex_binder.h"
#include "platform/obex/obex_session.h"
#include "platform/obex/serial_link_transport.h"
#include "support/obex_client.h"
#include "support/sim_world.h"

namespace {

namespace fs = std::filesystem;
using obex::ResponseCode;
using testsupport::Connect;
using testsupport::Get;
using testsupport::Put;

constexpr BT_ADDR kPhone = 0x0012AB34CD56;

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteFile(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class ObexServers : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* folder : {"refuse", "abort", "drop", "outside/dir"}) fs::create_directories(home / folder);
        const std::string world = R"({"devices": [
          {"name": "Phone", "address": "00:12:AB:34:CD:56", "services": [{"profile": "opp"}, {"profile": "ftp"}]},
          {"address": "00:00:00:00:00:01", "services": [{"profile": "ftp", "root": ")" + (home / "refuse").string() +
                                  R"(", "faults": ["refuse-put"]}]},
          {"address": "00:00:00:00:00:02", "services": [{"profile": "ftp", "root": ")" + (home / "abort").string() +
                                  R"(", "faults": ["abort-after:100"]}]},
          {"address": "00:00:00:00:00:03", "services": [{"profile": "ftp", "root": ")" + (home / "drop").string() +
                                  R"(", "faults": ["drop-after:100"]}]},
          {"address": "00:00:00:00:00:04", "services": [{"profile": "spp"}]}]})";
        testsupport::UseWorld(world);
    }
    const fs::path home = platform::NimbrelHome();
    const fs::path files = home / "sim" / "0012ab34cd56" / "files";
};

TEST_F(ObexServers, FileTransferListsEntersGetsPutsAndDeletesInTheInventedTree) {
    auto phone = Connect(L"0012ab34cd56", true);
    ASSERT_TRUE(phone);
    std::string listing;
    ASSERT_EQ(Get(*phone, L"", &listing), S_OK);
    EXPECT_NE(listing.find("<folder name=\"Images\""), std::string::npos) << listing;
    EXPECT_NE(listing.find("<file name=\"Readme.txt\" size=\"30\" modified=\""), std::string::npos) << listing;
    EXPECT_EQ(listing.find("parent-folder"), std::string::npos);

    ASSERT_EQ(phone->SetPath(L"\\Documents", obex::kSetPathNoCreate, nullptr), S_OK);
    ASSERT_EQ(Get(*phone, L"", &listing), S_OK);
    EXPECT_NE(listing.find("<parent-folder/>"), std::string::npos);
    EXPECT_NE(listing.find("name=\"Caf\xC3\xA9 menu.txt\""), std::string::npos) << listing;
    std::string body;
    ASSERT_EQ(Get(*phone, L"Caf\u00e9 menu.txt", &body), S_OK);
    EXPECT_EQ(body, ReadFile(files / "Documents" / "Caf\xC3\xA9 menu.txt"));

    // Many packets each way; the object appears only whole, with its name.
    std::string big(100000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
    ASSERT_EQ(Put(*phone, L"big <&>.bin", &big), S_OK);
    ASSERT_EQ(Get(*phone, L"", &listing), S_OK);
    EXPECT_NE(listing.find("<file name=\"big &lt;&amp;&gt;.bin\" size=\"100000\""), std::string::npos) << listing;
    ASSERT_EQ(Get(*phone, L"big <&>.bin", &body), S_OK);
    EXPECT_EQ(body, big);
    EXPECT_EQ(Put(*phone, L"big <&>.bin", nullptr), S_OK);
    EXPECT_FALSE(fs::exists(files / "Documents" / "big <&>.bin"));
    EXPECT_EQ(Put(*phone, L"big <&>.bin", nullptr), ObexResponseResult(ResponseCode::NotFound));
    auto headers = platform::CreateHeaderCollection();  // an ABORT midway leaves nothing behind
    headers->AddName(L"partial.bin");
    std::unique_ptr<IStream> stream;
    ULONG written = 0;
    ASSERT_EQ(phone->Put(headers.get(), &stream), S_OK);
    EXPECT_EQ(stream->Write(big.data(), 40000, &written), S_OK);
    EXPECT_EQ(phone->Abort(nullptr), S_OK);
    EXPECT_EQ(std::distance(fs::directory_iterator(files / "Documents"), {}), 2);

    EXPECT_EQ(phone->SetPath(L"Absent", obex::kSetPathNoCreate, nullptr), ObexResponseResult(ResponseCode::NotFound));
    EXPECT_EQ(phone->SetPath(L"New", 0, nullptr), S_OK);
    EXPECT_TRUE(fs::is_directory(files / "Documents" / "New"));
    EXPECT_EQ(phone->SetPath(L"", obex::kSetPathBackup, nullptr), S_OK);
    EXPECT_EQ(Put(*phone, L"Documents", nullptr), ObexResponseResult(ResponseCode::NotFound));  // not in here
    EXPECT_EQ(Put(*phone, L"New", nullptr), S_OK);
    EXPECT_EQ(phone->SetPath(L"", obex::kSetPathBackup, nullptr), S_OK);
    EXPECT_EQ(phone->SetPath(L"", obex::kSetPathBackup, nullptr), ObexResponseResult(ResponseCode::NotFound));
    EXPECT_EQ(Put(*phone, L"Documents", nullptr), ObexResponseResult(ResponseCode::PreconditionFailed));

    // Object Push only on the push service; Folder Browsing only on this one.
    EXPECT_FALSE(Connect(L"0012ab34cd56", false) == nullptr);
    std::shared_ptr<IObexDevice> plain;
    ASSERT_EQ(testsupport::Bind(L"0012ab34cd56", testsupport::kFileTransferClass, &plain), S_OK);
    EXPECT_EQ(plain->Connect(nullptr, 0, nullptr), ObexResponseResult(ResponseCode::ServiceUnavailable));
}

TEST_F(ObexServers, ObjectPushKeepsEveryObjectInTheInboxUnderAFreeName) {
    auto phone = Connect(L"0012AB34CD56", false);
    ASSERT_TRUE(phone);
    const std::string card = "BEGIN:VCARD\r\nFN:Ann\r\nEND:VCARD\r\n";
    const std::string empty;
    EXPECT_EQ(Put(*phone, L"ann.vcf", &card), S_OK);
    EXPECT_EQ(Put(*phone, L"ann.vcf", &card), S_OK);
    EXPECT_EQ(Put(*phone, L"empty", &empty), S_OK);
    const fs::path inbox = home / "sim" / "0012ab34cd56" / "inbox";
    EXPECT_EQ(ReadFile(inbox / "ann.vcf"), card);
    EXPECT_EQ(ReadFile(inbox / "ann (1).vcf"), card);
    EXPECT_TRUE(fs::exists(inbox / "empty"));
    EXPECT_EQ(std::distance(fs::directory_iterator(inbox), {}), 3);
    std::string body;
    EXPECT_EQ(Get(*phone, L"ann.vcf", &body), ObexResponseResult(ResponseCode::Forbidden));
    EXPECT_EQ(Put(*phone, L"ann.vcf", nullptr), ObexResponseResult(ResponseCode::Forbidden));
    EXPECT_EQ(phone->SetPath(L"x", 0, nullptr), ObexResponseResult(ResponseCode::Forbidden));
}

TEST_F(ObexServers, NoRequestReachesOutsideTheRoot) {
    auto phone = Connect(L"0012ab34cd56", true);  // makes the tree
    ASSERT_TRUE(phone);
    WriteFile(home / "outside" / "secret", "secret");
    fs::create_symlink(home / "outside" / "secret", files / "secret-link");
    fs::create_symlink(home / "outside" / "dir", files / "dir-link");
    // One SETPATH per name, as a hostile peer would send it (the device would split paths).
    std::unique_ptr<obex::SerialLinkTransport> link;
    ASSERT_EQ(obex::SerialLinkTransport::Open(*bth::InstalledBackend(), kPhone, sdp::uuids::kObexFileTransfer, 0, &link), 0u);
    obex::ClientSession session(std::move(link));
    ASSERT_TRUE(session.Connect({obex::Header::Target(testsupport::kFolderBrowsing)}).ok());
    const std::string body = "x";
    for (const std::wstring name : {L"..", L"../x", L"/etc/passwd", L"a/b", L"a\\b", L".", L"x\ny", L"secret-link"}) {
        SCOPED_TRACE(testing::Message() << name.size());
        std::string got;
        EXPECT_TRUE(FAILED(Get(*phone, name, &got)));
        EXPECT_TRUE(FAILED(Put(*phone, name, &body)) || name == L"secret-link");
        const auto result = session.SetPath(0, &name, {});
        EXPECT_EQ(result.status, obex::SessionStatus::Refused);
    }
    const std::wstring outward = L"dir-link";
    EXPECT_FALSE(session.SetPath(0, &outward, {}).ok());
    EXPECT_TRUE(FAILED(Put(*phone, L"", &body)));
    // The link itself was replaced; what it pointed to is untouched and nothing was written out.
    EXPECT_EQ(ReadFile(home / "outside" / "secret"), "secret");
    EXPECT_FALSE(fs::is_symlink(files / "secret-link"));
    EXPECT_TRUE(fs::is_empty(home / "outside" / "dir"));
    std::string listing;
    ASSERT_EQ(Get(*phone, L"", &listing), S_OK);
    EXPECT_EQ(listing.find("dir-link"), std::string::npos);
}

TEST_F(ObexServers, MalformedAndOversizedPacketsAreAnsweredNotObeyed) {
    std::unique_ptr<obex::SerialLinkTransport> link;
    ASSERT_EQ(obex::SerialLinkTransport::Open(*bth::InstalledBackend(), kPhone, sdp::uuids::kObexFileTransfer, 0, &link), 0u);
    const auto answer = [&](std::vector<std::uint8_t> packet) {
        EXPECT_EQ(link->Send(packet).status, obex::TransportStatus::Ok);
        std::uint8_t reply[3] = {};
        std::size_t got = 0;
        while (got < 3) {
            const auto result = link->Receive(std::span(reply + got, 3 - got));
            if (result.status != obex::TransportStatus::Ok) return -1;
            got += result.count;
        }
        return int{reply[0]};
    };
    EXPECT_EQ(answer({0x82, 0x00, 0x06, 0x01, 0x00, 0x09}), 0xC0);  // a Name running past its packet
    std::vector<std::uint8_t> huge(40000, 0x48);
    huge[0] = 0x82, huge[1] = 40000 >> 8, huge[2] = 40000 & 0xFF;
    EXPECT_EQ(answer(huge), 0xCD);
    EXPECT_EQ(answer({0x80, 0x00, 0x02}), 0xC0);  // framing lost: answered, then the link breaks
    std::uint8_t byte = 0;
    EXPECT_EQ(link->Receive(std::span(&byte, 1)).status, obex::TransportStatus::Closed);
}

TEST_F(ObexServers, FaultsRefuseFailOrDropPutsAndLeaveNoPartialObject) {
    const std::string body(5000, 'b');
    auto refusing = Connect(L"000000000001", true);
    auto aborting = Connect(L"000000000002", true);
    auto dropping = Connect(L"000000000003", true);
    ASSERT_TRUE(refusing && aborting && dropping);
    EXPECT_EQ(Put(*refusing, L"a", &body), ObexResponseResult(ResponseCode::Forbidden));
    EXPECT_EQ(Put(*aborting, L"a", &body), ObexResponseResult(ResponseCode::InternalServerError));
    const std::string small(100, 's');
    EXPECT_EQ(Put(*aborting, L"small", &small), S_OK);  // up to the limit is fine
    EXPECT_EQ(Put(*dropping, L"a", &body), HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED));
    for (const char* folder : {"refuse", "drop"}) EXPECT_TRUE(fs::is_empty(home / folder)) << folder;
    EXPECT_EQ(std::distance(fs::directory_iterator(home / "abort"), {}), 1);
}

// The world's link rate paces what a server sends: 8 KB at 64 kbit/s take a second at least.
TEST_F(ObexServers, SlowLinkRatePacesWhatTheServerSends) {
    fs::create_directories(home / "paced");
    WriteFile(home / "paced" / "eight.bin", std::string(8192, 'p'));
    testsupport::UseWorld(R"({"timing": {"link_kbps": 64}, "devices": [{"address": "00:00:00:00:00:06",
        "services": [{"profile": "ftp", "root": ")" + (home / "paced").string() + R"("}]}]})");
    auto device = Connect(L"000000000006", true);
    ASSERT_TRUE(device);
    std::string body;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(Get(*device, L"eight.bin", &body), S_OK);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(body.size(), 8192u);
}

// An abort in a slow GET does not wait for the rest: eight answers of about a second each at
// 512 kbit/s, so a wait for them would take several seconds.
TEST_F(ObexServers, SlowLinkAbortCutsTheGetShortAtOnce) {
    fs::create_directories(home / "paced");
    WriteFile(home / "paced" / "big.bin", std::string(8 * 65000, 'p'));
    testsupport::UseWorld(R"({"timing": {"link_kbps": 512}, "devices": [{"address": "00:00:00:00:00:06",
        "services": [{"profile": "ftp", "root": ")" + (home / "paced").string() + R"("}]}]})");
    auto device = Connect(L"000000000006", true);
    ASSERT_TRUE(device);
    auto headers = platform::CreateHeaderCollection();
    headers->AddName(L"big.bin");
    std::unique_ptr<IStream> stream;
    ASSERT_EQ(device->Get(headers.get(), &stream), S_OK);  // the first answer is in
    std::string buffer(1 << 17, '\0');
    HRESULT last = S_OK;
    std::thread reader([&] {
        ULONG read = 0;
        while ((last = stream->Read(buffer.data(), static_cast<ULONG>(buffer.size()), &read)) == S_OK) {}
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device->Abort(nullptr), S_OK);
    reader.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_TRUE(FAILED(last));
}

TEST_F(ObexServers, BindingFailsCleanlyForBadPropertiesAndMissingServices) {
    std::shared_ptr<IObexDevice> device;
    for (const wchar_t* address : {L"", L"0012ab34cd5", L"0012ab34cd5g", L"00:12:ab:34:cd:56"})
        EXPECT_EQ(testsupport::Bind(address, testsupport::kFileTransferClass, &device), E_INVALIDARG);
    EXPECT_EQ(testsupport::Bind(L"0012ab34cd56", nullptr, &device), E_INVALIDARG);
    EXPECT_EQ(testsupport::Bind(L"0012ab34cd56", L"{00001106-0000-1000-8000}", &device), E_INVALIDARG);
    EXPECT_EQ(testsupport::Bind(L"000000000004", testsupport::kFileTransferClass, &device),
              HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
    EXPECT_TRUE(FAILED(testsupport::Bind(L"000000000099", testsupport::kObjectPushClass, &device)));
    EXPECT_FALSE(device);
}

}  // namespace
