// nimbrelctl's File Transfer commands against servers that misbehave as real peers do: every
// wait ends, nothing is acted on where the user did not say, no half file stays behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/kernel/paths.h"
#include "support/scripted_ftp_peer.h"
#include "support/tools.h"

namespace {

namespace fs = std::filesystem;
using testsupport::FtpPeer;
using testsupport::FtpPeerBehaviour;
using testsupport::ScriptedObexServer;

constexpr const char* kAddress = "00:00:00:00:00:05";

using Outcome = testsupport::CommandOutcome;
using testsupport::ReadFile;

class ObexPeers : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(downloads); }

    // Short, so that a silent peer is given up on quickly (the default is 30 s), yet long
    // enough for any answer that does come, on a loaded machine too.
    static void ShortenResponseTimeout() {
        ASSERT_EQ(testsupport::RunCommand(testsupport::ToolPath("nimbrel-reg") +
                                          " set software/Trevanix/Nimbrel 'OBEX Response Timeout' dword 1500"),
                  0);
    }

    // nimbrelctl with a world whose one device reaches `server` for File Transfer.
    static Outcome Ctl(const ScriptedObexServer& server, const std::string& args) {
        return testsupport::RunCapturing(testsupport::NimbrelctlWithFtpServer(server.address()) + " " + args);
    }

    Outcome Get(const ScriptedObexServer& server, const std::string& path) {
        return Ctl(server, std::string("get ") + kAddress + " " + path + " --to " + downloads.string());
    }

    bool DownloadsEmpty() const { return fs::is_empty(downloads); }

    static std::size_t Count(const std::vector<obex::Request>& requests, obex::Opcode opcode) {
        return static_cast<std::size_t>(std::count_if(requests.begin(), requests.end(),
                                                      [&](const obex::Request& r) { return r.opcode == opcode; }));
    }

    const fs::path home = platform::NimbrelHome();
    const fs::path downloads = home / "downloads";
};

// Waits for real time-outs (1.5 s each).
class ObexPeersSlow : public ObexPeers {};

TEST_F(ObexPeersSlow, ASilentOrStallingServerIsGivenUpOnWithAnError) {
    ASSERT_NO_FATAL_FAILURE(ShortenResponseTimeout());
    ScriptedObexServer silent(FtpPeer({.silent = true}));
    Outcome outcome = Ctl(silent, std::string("ls ") + kAddress);
    EXPECT_EQ(outcome.status, 1) << outcome.out;
    EXPECT_NE(outcome.err.find("did not answer in time"), std::string::npos) << outcome.err;
    EXPECT_TRUE(silent.WaitForHangUp(std::chrono::seconds(10))) << "the connection is closed";

    // Answers CONNECT and the first part of the file, then nothing.
    ScriptedObexServer stalling(FtpPeer({.files = {{L"big.bin", std::string(100000, 'b')}}, .quietAfterFirstAnswer = true}));
    outcome = Get(stalling, "big.bin");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("did not answer in time"), std::string::npos) << outcome.err;
    EXPECT_TRUE(DownloadsEmpty()) << "no half file";
    EXPECT_TRUE(stalling.WaitForHangUp(std::chrono::seconds(10)));
    EXPECT_EQ(Count(stalling.Requests(), obex::Opcode::Abort), 1u) << "the GET open at the peer is aborted";
}

TEST_F(ObexPeers, ABodyIsHeldToItsLengthAndToProgress) {
    ScriptedObexServer overlong(FtpPeer({.files = {{L"a.txt", std::string(70000, 'a')}}, .claimedLength = 1000}));
    Outcome outcome = Get(overlong, "a.txt");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("more data than the size it announced"), std::string::npos) << outcome.err;
    EXPECT_TRUE(DownloadsEmpty());

    ScriptedObexServer endless(FtpPeer({.files = {{L"a.txt", "abc"}}, .continueForever = true}));
    outcome = Get(endless, "a.txt");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("kept answering without sending any data"), std::string::npos) << outcome.err;
    EXPECT_TRUE(DownloadsEmpty());
}

TEST_F(ObexPeers, LargeListingsListInFullAndAnOversizedOneIsAnError) {
    ScriptedObexServer large(FtpPeer({.folder = L"", .extraEntries = 120000}));
    Outcome outcome = Ctl(large, std::string("ls ") + kAddress);
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(std::count(outcome.out.begin(), outcome.out.end(), '\n'), 120000);
    EXPECT_NE(outcome.out.find("file\t1\tf0120000.txt\n"), std::string::npos);

    ScriptedObexServer oversized(FtpPeer({.listingPadding = std::size_t{65} << 20}));
    outcome = Ctl(oversized, std::string("ls ") + kAddress);
    EXPECT_EQ(outcome.status, 1) << "never an empty success";
    EXPECT_NE(outcome.err.find("listing is too large"), std::string::npos) << outcome.err;
}

TEST_F(ObexPeers, NothingIsDoneOutsideTheFolderTheServerIsIn) {
    // As obexftpd: every SETPATH is refused. The sub-folder cannot be reached, so nothing is
    // done there, and above all not in the root.
    const FtpPeerBehaviour refusing{.files = {{L"x.txt", "root"}}, .strictAbort = true, .refuseSetPath = true};
    for (const std::string command : {"rm", "get", "ls"}) {
        ScriptedObexServer server(FtpPeer(refusing));
        const std::string target = command == "ls" ? " sub" : command == "get" ? " sub/x.txt --to " + downloads.string() : std::string(" sub/x.txt");
        const Outcome outcome = Ctl(server, command + " " + kAddress + target);
        EXPECT_EQ(outcome.status, 1) << command;
        const auto requests = server.Requests();
        EXPECT_EQ(Count(requests, obex::Opcode::Put), 0u) << command << ": nothing deleted";
        EXPECT_EQ(Count(requests, obex::Opcode::Get), 1u) << command << ": only the root's listing";
        EXPECT_EQ(Count(requests, obex::Opcode::Abort), 0u) << command;
    }

    // In the root nothing needs a SETPATH; a strict server hears no ABORT with nothing open.
    // A link at the target's name is replaced, not written through.
    std::ofstream(home / "outside.txt") << "outside";
    fs::create_symlink(home / "outside.txt", downloads / "x.txt");
    ScriptedObexServer root(FtpPeer(refusing));
    Outcome outcome = Get(root, "x.txt");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.err.find("error"), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::is_symlink(downloads / "x.txt"));
    EXPECT_EQ(ReadFile(downloads / "x.txt"), "root");
    EXPECT_EQ(ReadFile(home / "outside.txt"), "outside");
    outcome = Ctl(root, std::string("rm ") + kAddress + " x.txt");
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    const auto requests = root.Requests();
    EXPECT_EQ(Count(requests, obex::Opcode::SetPath), 0u);
    EXPECT_EQ(Count(requests, obex::Opcode::Abort), 0u);
    EXPECT_GT(Count(requests, obex::Opcode::Put), 0u) << "the delete went out";
}

}  // namespace
