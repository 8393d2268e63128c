// Transfers that meet the faults users meet: a full disk, a link lost midway, a peer that
// resets its connection in the middle of a packet. Each ends in a clear error, with no half
// file left behind and nothing that was already there lost.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "connection_attempt.h"
#include "engine/device/device_distant.h"
#include "engine/frame/cregistry.h"
#include "engine/frame/error_codes.h"
#include "engine/obex/client_ftp.h"
#include "error_log.h"
#include "platform/kernel/paths.h"
#include "platform/obex/server/server_host.h"
#include "platform/obex/server/server_service.h"
#include "sim/radio.h"
#include "support/scripted_ftp_peer.h"
#include "support/sim_world.h"
#include "watchdog.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ErrorLog;
using testsupport::ScriptedObexServer;

constexpr BT_ADDR kPhone = 0x0012AB34CD56;
constexpr BT_ADDR kLaptop = 0x000E9F112233;  // paired: its pushes need no host's yes
constexpr BT_ADDR kTcpPeer = 0x000000000005;

std::string Contents(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

// No file of this process grows past `bytes` while it lives: writes past it fail with EFBIG,
// as on a disk that is full (the signal that would end the process is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = signal(SIGXFSZ, SIG_IGN);
        const rlimit limited{bytes, saved_.rlim_max};
        ok_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, previous_);
    }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    sighandler_t previous_ = SIG_DFL;
    bool ok_ = false;
};

// Keeps why each pushed object was not stored.
class RefusalLog final : public obex::ServerHost {
public:
    bool Allow(const obex::Offer&) override { return false; }
    void Refused(const obex::Peer&, const std::wstring&, const std::string& reason) override {
        std::lock_guard lock(mutex_);
        reasons_.push_back(reason);
    }
    std::vector<std::string> Reasons() {
        std::lock_guard lock(mutex_);
        return reasons_;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> reasons_;
};

// A new session on the client (a connected one is closed first); true once it is up.
bool Reconnected(CClientFtp& ftp) {
    ftp.Connect();
    return testsupport::AttemptEnded(ftp) && ftp.IsConnected() == 1;
}

CClientFtp* FileTransferOf(CDeviceDistant& device) {
    return dynamic_cast<CClientFtp*>(device.AddDistantService(SERVICE_ID_FTP, NO_COM_PORT));
}

// A file of `folder`, as a listing would have given it, without listing.
CFtpFile* Listed(CClientFtp& ftp, CFtpFolder& folder, const wchar_t* name) {
    auto* file = new CFtpFile(&ftp, &folder, name);
    folder.arElements.Add(file);
    return file;
}

CFtpFile* Found(CFtpFolder& folder, const wchar_t* name) {
    for (CFtpElement* element : folder.arElements)
        if (element->GetName() == name && element->uiType == FTP_FILE) return static_cast<CFtpFile*>(element);
    return nullptr;
}

std::size_t Count(const std::vector<int>& codes, int code) {
    return static_cast<std::size_t>(std::count(codes.begin(), codes.end(), code));
}

TEST(TransferFaults, AFullDiskEndsADownloadAndAReceivedPushWithAWriteErrorAndNoPartialFile) {
    const fs::path home = platform::NimbrelHome();
    const fs::path phone = home / "phone", downloads = home / "downloads", inbox = home / "inbox";
    for (const fs::path& folder : {phone, downloads, inbox}) fs::create_directories(folder);
    const std::string big(1 << 20, 'b');
    std::ofstream(phone / "big.bin", std::ios::binary) << big;
    std::ofstream(downloads / "big.bin") << "fetched before";  // stays until a whole file replaces it
    std::ofstream(inbox / "earlier.bin") << "pushed before";
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"devices": [
        {"name": "Phone", "address": "00:12:AB:34:CD:56", "services": [{"profile": "ftp", "root": ")" +
                                                  phone.string() + R"("}]},
        {"name": "Laptop", "address": "00:0E:9F:11:22:33", "paired_pin": "1234"}]})"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    CRegistry().WriteValueString(L"ObexOPP", inbox.wstring().c_str());
    auto host = std::make_shared<RefusalLog>();
    obex::ConfigureServers({host, std::nullopt});
    ASSERT_EQ(obex::StartServers(bth::InstalledBackend()), ERROR_SUCCESS);
    CDeviceDistant device(kPhone, L"Phone", 0, 0);
    CClientFtp* ftp = FileTransferOf(device);
    ASSERT_TRUE(Reconnected(*ftp));
    ftp->SetPath(downloads.wstring().c_str());
    CFtpFile* file = Listed(*ftp, *ftp->GetFolder(), L"big.bin");
    {
        FileSizeLimit full(256 * 1024);
        ASSERT_TRUE(full.ok());
        ASSERT_EQ(file->GetFile(nullptr, 0), 1);
        EXPECT_EQ(file->WaitForTransfer(), 0);
        ASSERT_EQ(errors.Codes(), std::vector<int>{ERR_LOCAL_WRITE});
        EXPECT_NE(errors.Reports()[0].message.find(L"Writing"), std::wstring::npos) << "it says what failed";

        obex::SessionResult pushed;
        ASSERT_EQ(sim::Radio::Instance().PushToServer(kLaptop, L"photo.jpg",
                                                      std::vector<std::uint8_t>(big.begin(), big.end()), &pushed),
                  ERROR_SUCCESS);
        EXPECT_EQ(pushed.status, obex::SessionStatus::Refused);
        EXPECT_EQ(pushed.response, obex::ResponseCode::DatabaseFull) << "the sender is told the disk is full";
        EXPECT_EQ(host->Reasons(), std::vector<std::string>{"the disk is full"});
    }
    obex::StopServers();
    EXPECT_EQ(Names(downloads), std::vector<std::string>{"big.bin"}) << "no partial file";
    EXPECT_EQ(Contents(downloads / "big.bin"), "fetched before");
    EXPECT_EQ(Names(inbox), std::vector<std::string>{"earlier.bin"});
    EXPECT_EQ(Contents(inbox / "earlier.bin"), "pushed before");

    // The fetch given up was aborted at the device: the same session fetches the file now.
    ASSERT_EQ(file->GetFile(nullptr, 0), 1);
    EXPECT_EQ(file->WaitForTransfer(), 1);
    EXPECT_TRUE(Contents(downloads / "big.bin") == big);
    EXPECT_EQ(errors.Codes().size(), 1u);
}

TEST(TransferFaults, ALinkLostInAGetOrAPutIsToldAsSuchAndTheClientReconnects) {
    const fs::path home = platform::NimbrelHome();
    const fs::path phone = home / "phone", downloads = home / "downloads";
    fs::create_directories(phone);
    std::ofstream(phone / "big.bin") << std::string(5000, 'b');
    std::ofstream(phone / "tiny.txt") << "tiny";
    std::ofstream(home / "upload.bin") << std::string(5000, 'u');
    std::ofstream(home / "note.txt") << "note";
    // The device hangs up once an object has moved 100 bytes.
    ASSERT_NO_FATAL_FAILURE(testsupport::UseWorld(R"({"devices": [{"name": "Phone", "address": "00:12:AB:34:CD:56",
        "services": [{"profile": "ftp", "root": ")" + phone.string() + R"(", "faults": ["drop-after:100"]}]}]})"));
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    CDeviceDistant device(kPhone, L"Phone", 0, 0);
    CClientFtp* ftp = FileTransferOf(device);
    ASSERT_TRUE(Reconnected(*ftp));
    ftp->SetPath(downloads.wstring().c_str());
    CFtpFolder* root = ftp->GetFolder();

    CFtpFile* big = Listed(*ftp, *root, L"big.bin");
    ASSERT_EQ(big->GetFile(nullptr, 0), 1);
    EXPECT_EQ(big->WaitForTransfer(), 0);
    ASSERT_FALSE(errors.Reports().empty());
    EXPECT_EQ(errors.Reports()[0].code, ERR_SERVICE_DISCONNECTED);
    EXPECT_EQ(errors.Reports()[0].message, L"Service File Transfer on Phone disconnected!");
    EXPECT_TRUE(!fs::exists(downloads) || fs::is_empty(downloads)) << "no partial download";

    ASSERT_TRUE(Reconnected(*ftp));
    const std::size_t before = errors.Reports().size();
    ASSERT_EQ(root->PutFile((home / "upload.bin").wstring().c_str(), nullptr, 0), 1);
    EXPECT_EQ(root->WaitForTransfer(), 0);
    // Reports arrive in order: the marker shows whether the upload queued one of its own.
    PostError(ERR_SPP_CONNECT, L"marker");
    ASSERT_TRUE(errors.WaitFor(before + 2));
    const std::vector<int> codes = errors.Codes();
    EXPECT_EQ(std::vector<int>(codes.begin() + static_cast<long>(before), codes.end()),
              (std::vector<int>{ERR_SERVICE_DISCONNECTED, ERR_SPP_CONNECT}))
        << "a lost link, not a refusal by the device";
    EXPECT_FALSE(fs::exists(phone / "upload.bin"));

    // Objects small enough to get through still do, on a new session.
    ASSERT_TRUE(Reconnected(*ftp));
    CFtpFile* tiny = Listed(*ftp, *root, L"tiny.txt");
    ASSERT_EQ(tiny->GetFile(nullptr, 0), 1);
    EXPECT_EQ(tiny->WaitForTransfer(), 1);
    EXPECT_EQ(Contents(downloads / "tiny.txt"), "tiny");
    ASSERT_EQ(root->PutFile((home / "note.txt").wstring().c_str(), nullptr, 0), 1);
    EXPECT_EQ(root->WaitForTransfer(), 1);
    EXPECT_EQ(Contents(phone / "note.txt"), "note");
    EXPECT_EQ(Count(errors.Codes(), ERR_SERVICE_DISCONNECTED), 2u);
}

// The n-th GET's answers are cut after `keep` bytes, and the connection reset.
ScriptedObexServer::Cut ResetAtGet(int nth, std::size_t keep) {
    return [nth, keep, gets = 0](const obex::Request& request) mutable -> std::optional<std::size_t> {
        if (request.opcode == obex::Opcode::Get && ++gets == nth) return keep;
        return std::nullopt;
    };
}

TEST(TransferFaults, APeerThatResetsInTheMiddleOfAPacketEndsAListingAndAFetchWithAnError) {
    testsupport::Watchdog watchdog("a transfer from a peer that reset its connection");
    const fs::path downloads = platform::NimbrelHome() / "downloads";
    fs::create_directories(downloads);
    RegisterEngineErrors();
    auto& errors = ErrorLog::Attach();
    const auto useServer = [](const ScriptedObexServer& server) {
        testsupport::UseWorld(R"({"devices": [{"name": "Peer", "address": "00:00:00:00:00:05", "services": [
            {"profile": "ftp", "obex_tcp": ")" + server.address() + R"("}]}]})");
    };

    // A long listing, cut in its second answer.
    {
        ScriptedObexServer server(testsupport::FtpPeer({.extraEntries = 5000}), ResetAtGet(2, 100));
        ASSERT_NO_FATAL_FAILURE(useServer(server));
        CDeviceDistant device(kTcpPeer, L"Peer", 0, 0);
        CClientFtp* ftp = FileTransferOf(device);
        ASSERT_TRUE(Reconnected(*ftp));
        EXPECT_EQ(ftp->GetFolder()->Browse(), 0);
        EXPECT_EQ(ftp->GetFolder()->arElements.GetSize(), 0) << "part of a listing is shown as none";
        EXPECT_EQ(errors.Codes(), std::vector<int>{ERR_SERVICE_DISCONNECTED});
    }

    // A file of several answers, cut in its second (the listing's GET came first).
    ScriptedObexServer server(testsupport::FtpPeer({.files = {{L"big.bin", std::string(100000, 'b')}}}),
                              ResetAtGet(3, 1000));
    ASSERT_NO_FATAL_FAILURE(useServer(server));
    CDeviceDistant device(kTcpPeer, L"Peer", 0, 0);
    CClientFtp* ftp = FileTransferOf(device);
    ASSERT_TRUE(Reconnected(*ftp));
    ftp->SetPath(downloads.wstring().c_str());
    ASSERT_EQ(ftp->GetFolder()->Browse(), 1);
    CFtpFile* big = Found(*ftp->GetFolder(), L"big.bin");
    ASSERT_NE(big, nullptr);
    ASSERT_EQ(big->GetFile(nullptr, 0), 1);
    EXPECT_EQ(big->WaitForTransfer(), 0);
    EXPECT_EQ(Count(errors.Codes(), ERR_SERVICE_DISCONNECTED), 2u);
    EXPECT_EQ(errors.Codes().size(), 2u);
    EXPECT_TRUE(fs::is_empty(downloads)) << "no partial file";
}

}  // namespace
