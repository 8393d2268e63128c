// Our OBEX servers against a real client: Debian's obexftp, which only reaches TCP port 650,
// pushing to, listing and fetching from `nimbrelctl obex-server --tcp 127.0.0.1:650`.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/kernel/paths.h"
#include "support/background_command.h"
#include "support/obexftpd_server.h"
#include "support/tools.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;

constexpr const char* kObexftp = "/usr/bin/obexftp";

class ObexftpClient : public ::testing::Test {
protected:
    void SetUp() override {
        if (::access(kObexftp, X_OK) != 0) GTEST_SKIP() << "obexftp is not installed";
        if (testsupport::Listening(testsupport::kObexftpdPort)) GTEST_SKIP() << "port 650 is already in use";
        fs::create_directories(outbox);
        fs::create_directories(downloads);
    }

    // Starts the servers; true once they listen on the port.
    bool StartServers(bool acceptAll) {
        std::vector<std::string> args = {"obex-server", "--tcp", "127.0.0.1:650"};
        if (acceptAll) args.push_back("--accept");
        server_.emplace(testsupport::ToolPath("nimbrelctl"), args);
        while (auto line = server_->ReadLine())
            if (line->find("on TCP 127.0.0.1:650") != std::string::npos) return true;
        return false;
    }
    // The server's next line about an object.
    std::string NextEvent() {
        while (auto line = server_->ReadLine())
            if (!line->starts_with("listening")) return *line;
        return "(none: " + server_->Errors() + ")";
    }

    // obexftp in `folder` with `args`. (Its exit status says nothing: 0.24 exits 255 either way.)
    static testsupport::CommandOutcome Obexftp(const fs::path& folder, const std::string& args) {
        return testsupport::RunCapturing("cd '" + folder.string() + "' && " + kObexftp + " -n 127.0.0.1 " + args);
    }

    static std::string RandomBytes(std::size_t size) {
        std::mt19937 random(650);
        std::string bytes(size, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        return bytes;
    }

    const fs::path home = platform::NimbrelHome();
    const fs::path shared = platform::FileRoot() / "Temp";  // both folders' default
    const fs::path outbox = home / "outbox";
    const fs::path downloads = home / "downloads";
    std::optional<testsupport::BackgroundCommand> server_;
};

TEST_F(ObexftpClient, PushesListsAndFetchesByteExactWithoutReplacingAnything) {
    ASSERT_TRUE(StartServers(true)) << server_->Errors();
    const std::string name = "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x93\xB7.bin";  // "Grüße 📷.bin"
    const std::string bytes = RandomBytes(200 * 1024);
    std::ofstream(outbox / name, std::ios::binary) << bytes;

    // File Transfer (obexftp's default), then Object Push (no target).
    Obexftp(outbox, "-p '" + name + "'");
    std::string event = NextEvent();
    EXPECT_TRUE(event.starts_with("received\t" + (shared / name).string() + "\t127.0.0.1:")) << event;
    EXPECT_TRUE(event.ends_with("\t204800")) << event;
    EXPECT_EQ(ReadFile(shared / name), bytes);
    std::ofstream(outbox / name, std::ios::binary) << "a second one";
    Obexftp(outbox, "-U none -p '" + name + "'");
    event = NextEvent();
    const std::string kept = "Gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x93\xB7 (1).bin";
    EXPECT_TRUE(event.starts_with("received\t" + (shared / kept).string())) << event;
    EXPECT_EQ(ReadFile(shared / name), bytes) << "the first one is kept";
    EXPECT_EQ(ReadFile(shared / kept), "a second one");

    const auto listing = Obexftp(outbox, "-l");
    EXPECT_NE(listing.out.find("<file name=\"" + name + "\" size=\"204800\""), std::string::npos) << listing.out;
    Obexftp(downloads, "-g '" + name + "'");
    EXPECT_EQ(ReadFile(downloads / name), bytes);
}

TEST_F(ObexftpClient, AnUnpairedPeerWithoutAcceptIsRefusedAndWritesNothing) {
    ASSERT_TRUE(StartServers(false)) << server_->Errors();
    std::ofstream(outbox / "card.vcf") << "BEGIN:VCARD\r\nEND:VCARD\r\n";
    Obexftp(outbox, "-U none -p card.vcf");
    std::string event = NextEvent();
    EXPECT_TRUE(event.starts_with("refused\tcard.vcf\t127.0.0.1:")) << event;
    EXPECT_TRUE(event.ends_with("\tthe device is not paired and was not accepted")) << event;
    Obexftp(outbox, "-l");
    event = NextEvent();
    EXPECT_TRUE(event.starts_with("refused\t-\t127.0.0.1:")) << event;
    EXPECT_TRUE(!fs::exists(shared) || fs::is_empty(shared)) << "nothing written";
    EXPECT_EQ(server_->Stop(), 0) << "ends cleanly on SIGTERM: " << server_->Errors();
}

}  // namespace
