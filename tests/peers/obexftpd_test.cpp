// Against a real OBEX server: Debian's obexftpd serving a temporary folder. It listens on TCP
// port 650 only and serves one connection, so each step starts a server of its own. It refuses
// every SETPATH: only its root can be worked on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/kernel/paths.h"
#include "support/obex_client.h"
#include "support/obexftpd_server.h"
#include "support/sim_world.h"
#include "support/tools.h"

namespace {

namespace fs = std::filesystem;

using testsupport::ReadFile;

class Obexftpd : public ::testing::Test {
protected:
    void SetUp() override {
        if (const std::string missing = testsupport::ObexftpdMissing(); !missing.empty()) GTEST_SKIP() << missing;
        fs::create_directories(served / "sub");
        fs::create_directories(downloads);
    }

    // One nimbrelctl command against a server of its own.
    testsupport::CommandOutcome Ctl(const std::string& args) {
        const testsupport::ObexftpdServer server(served);
        if (!server.listening()) return {};
        return testsupport::RunCapturing(testsupport::NimbrelctlWithFtpServer("127.0.0.1:650") + " " + args);
    }

    const fs::path home = platform::NimbrelHome();
    const fs::path served = home / "served";
    const fs::path downloads = home / "downloads";
};

TEST_F(Obexftpd, ListsGetsAndPutsThroughTheBridge) {
    std::ofstream(served / "hello.txt") << "hello from the server\n";
    const testsupport::ObexftpdServer server(served);
    ASSERT_TRUE(server.listening());
    testsupport::UseWorld(R"({"devices": [{"address": "00:00:00:00:00:05",
        "services": [{"profile": "ftp", "obex_tcp": "127.0.0.1:650"}]}]})");
    auto device = testsupport::Connect(L"000000000005", true);
    ASSERT_TRUE(device);
    std::string text;
    ASSERT_EQ(testsupport::Get(*device, L"", &text), S_OK);
    EXPECT_NE(text.find("hello.txt"), std::string::npos) << text;
    ASSERT_EQ(testsupport::Get(*device, L"hello.txt", &text), S_OK);
    EXPECT_EQ(text, "hello from the server\n");
    // Many packets each way through the bridge. (obexftpd 0.24 answers PUTs but does not keep
    // the object, not even from its own client, so only the exchange is checked.)
    const std::string body(20000, 'z');
    EXPECT_EQ(testsupport::Put(*device, L"up.bin", &body), S_OK);
    EXPECT_EQ(device->Disconnect(nullptr), S_OK);
}

TEST_F(Obexftpd, APathIntoASubFolderChangesNothingAndTheRootStillWorks) {
    std::ofstream(served / "x.txt") << "in the root";
    std::ofstream(served / "sub" / "x.txt") << "in the sub-folder";
    const std::string device = "00:00:00:00:00:05";
    for (const std::string& refused : {"rm " + device + " sub/x.txt", "get " + device + " sub/x.txt --to " + downloads.string(),
                                      "ls " + device + " sub"}) {
        const auto outcome = Ctl(refused);
        EXPECT_EQ(outcome.status, 1) << refused << "\n" << outcome.err;
    }
    EXPECT_EQ(ReadFile(served / "x.txt"), "in the root");
    EXPECT_EQ(ReadFile(served / "sub" / "x.txt"), "in the sub-folder");
    EXPECT_TRUE(fs::is_empty(downloads));

    auto outcome = Ctl("ls " + device);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("folder\t-\tsub\n"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.out.find("file\t11\tx.txt\n"), std::string::npos) << outcome.out;
    outcome = Ctl("get " + device + " x.txt --to " + downloads.string());
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(ReadFile(downloads / "x.txt"), "in the root");
    // (obexftpd takes a PUT whose first packet has no body for a delete of that name, then
    // drops the body: only a name of its own is sent.)
    std::ofstream(downloads / "up.txt") << "sent";
    outcome = Ctl("put " + device + " / " + (downloads / "up.txt").string());
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    outcome = Ctl("rm " + device + " x.txt");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_FALSE(fs::exists(served / "x.txt"));
    EXPECT_EQ(ReadFile(served / "sub" / "x.txt"), "in the sub-folder");
}

}  // namespace
