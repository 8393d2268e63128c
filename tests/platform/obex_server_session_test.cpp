// Our OBEX servers against clients that misbehave: every bad request gets its answer, and the
// shared folders hold afterwards only what complete objects added.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "platform/obex/obex_packet.h"
#include "platform/obex/server/server_connection.h"
#include "platform/obex/server/server_session.h"
#include "platform/obex/socket_transport.h"
#include "support/tools.h"

namespace {

namespace fs = std::filesystem;
using obex::Header;
using obex::Opcode;
using obex::Request;
using obex::ResponseCode;
using obex::ServerSession;

struct Folders {
    Folders() : root(fs::temp_directory_path() / ("obex-server-" + std::to_string(getpid()))) {
        fs::create_directories(inbox);
        fs::create_directories(shared / "docs");
        std::ofstream(shared / "docs" / "a.txt") << "a";
    }
    ~Folders() { fs::remove_all(root); }
    obex::ServerFolders Both() const { return {inbox, shared, obex::ExistingFile::Kept}; }
    static std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    const fs::path root;
    const fs::path inbox = root / "inbox";
    const fs::path shared = root / "shared";
};

obex::Bytes Encode(const Request& request) {
    obex::Bytes bytes;
    EXPECT_EQ(obex::EncodeRequest(request, &bytes), obex::CodecError::None);
    return bytes;
}

Request Make(Opcode opcode, std::vector<Header> headers, bool final = true) {
    Request request;
    request.opcode = opcode;
    request.final = final;
    request.headers = std::move(headers);
    return request;
}

obex::Bytes Bytes(const std::string& text) { return obex::Bytes(text.begin(), text.end()); }

// One session driven request by request.
class Client {
public:
    explicit Client(const obex::ServerFolders& folders) : session_(folders, nullptr) {}

    ResponseCode Send(const Request& request) {
        const auto reply = session_.Handle(Encode(request));
        return reply.response ? reply.response->code : ResponseCode::InternalServerError;
    }
    ResponseCode Connect(bool browsing) {
        Request request = Make(Opcode::Connect, {});
        if (browsing) request.headers.push_back(Header::Target(obex::kFolderBrowsingTarget));
        const auto reply = session_.Handle(Encode(request));
        if (reply.response)
            if (const Header* id = obex::FindHeader(reply.response->headers, obex::hid::kConnectionId)) id_ = *id->quad();
        return reply.response->code;
    }
    // The Connection Id first, as a File Transfer client sends it.
    std::vector<Header> With(std::vector<Header> headers) const {
        if (id_) headers.insert(headers.begin(), Header::ConnectionId(*id_));
        return headers;
    }
    ResponseCode Put(const std::wstring& name, const std::string& body, std::optional<std::uint32_t> length = {}) {
        std::vector<Header> headers = {Header::Name(name)};
        if (length) headers.push_back(Header::Length(*length));
        headers.push_back(Header::EndOfBody(Bytes(body)));
        return Send(Make(Opcode::Put, With(std::move(headers))));
    }
    ServerSession& session() { return session_; }

private:
    ServerSession session_;
    std::optional<std::uint32_t> id_;
};

TEST(ObexServerSession, PushedNamesStayInTheInboxAndNothingIsReplaced) {
    Folders folders;
    Client client(folders.Both());
    ASSERT_EQ(client.Connect(false), ResponseCode::Success);
    EXPECT_EQ(client.Put(L"../../evil.sh", "x"), ResponseCode::Success);
    EXPECT_EQ(client.Put(L"C:\\Windows\\photo.jpg", "1"), ResponseCode::Success);
    EXPECT_EQ(client.Put(L"photo.jpg", "2"), ResponseCode::Success);
    EXPECT_EQ(client.Put(L"..", "x"), ResponseCode::Forbidden);
    EXPECT_EQ(Folders::Names(folders.inbox), (std::vector<std::string>{"evil.sh", "photo (1).jpg", "photo.jpg"}));
    EXPECT_EQ(testsupport::ReadFile(folders.inbox / "photo.jpg"), "1") << "the first one is kept";
    EXPECT_FALSE(fs::exists(folders.root / "evil.sh"));
    // Object Push neither lists, fetches, changes folder nor deletes.
    EXPECT_EQ(client.Send(Make(Opcode::Get, {Header::Type("x-obex/folder-listing")})), ResponseCode::Forbidden);
    EXPECT_EQ(client.Send(Make(Opcode::SetPath, {Header::Name(L"docs")})), ResponseCode::Forbidden);
    EXPECT_EQ(client.Send(Make(Opcode::Put, {Header::Name(L"photo.jpg")})), ResponseCode::Forbidden);
    EXPECT_EQ(Folders::Names(folders.inbox).size(), 3u);
}

TEST(ObexServerSession, MalformedObjectsLeaveNothingBehind) {
    Folders folders;
    Client client(folders.Both());
    EXPECT_EQ(client.Put(L"early.txt", "x"), ResponseCode::ServiceUnavailable) << "nothing before CONNECT";
    ASSERT_EQ(client.Connect(false), ResponseCode::Success);
    EXPECT_EQ(client.Send(Make(Opcode::Put, {Header::EndOfBody(Bytes("no name"))})), ResponseCode::BadRequest);
    EXPECT_EQ(client.Put(L"long.txt", "more than five", 5), ResponseCode::BadRequest) << "a body past its Length";
    EXPECT_EQ(client.Put(L"short.txt", "abc", 10), ResponseCode::BadRequest) << "a body short of its Length";
    // A push begun, then abandoned: by ABORT, by another request, by the link going.
    const auto begin = [&](const wchar_t* name) {
        return client.Send(Make(Opcode::Put, {Header::Name(name), Header::Body(Bytes("part"))}, false));
    };
    EXPECT_EQ(begin(L"aborted.txt"), ResponseCode::Continue);
    EXPECT_EQ(client.Send(Make(Opcode::Abort, {})), ResponseCode::Success);
    EXPECT_EQ(begin(L"interrupted.txt"), ResponseCode::Continue);
    EXPECT_EQ(client.Send(Make(Opcode::Get, {Header::Name(L"whole.txt")})), ResponseCode::Forbidden);
    EXPECT_EQ(client.Put(L"whole.txt", "whole"), ResponseCode::Success);
    EXPECT_EQ(begin(L"lost.txt"), ResponseCode::Continue);
    client.session().End();
    EXPECT_EQ(Folders::Names(folders.inbox), std::vector<std::string>{"whole.txt"});
}

TEST(ObexServerSession, FileTransferStaysInsideTheSharedFolder) {
    Folders folders;
    fs::create_directories(folders.root / "outside");
    std::ofstream(folders.root / "outside" / "secret") << "secret";
    fs::create_directory_symlink(folders.root / "outside", folders.shared / "escape");
    Client client(folders.Both());
    ASSERT_EQ(client.Connect(true), ResponseCode::Success);
    const auto setPath = [&](const std::wstring& name, std::uint8_t flags) {
        Request request = Make(Opcode::SetPath, client.With(name.empty() ? std::vector<Header>{} : std::vector{Header::Name(name)}));
        request.setPathFlags = flags;
        return client.Send(request);
    };
    const auto list = [&](const std::wstring& name) {
        std::vector<Header> headers = {Header::Type("x-obex/folder-listing")};
        if (!name.empty()) headers.push_back(Header::Name(name));
        return client.Send(Make(Opcode::Get, client.With(std::move(headers))));
    };
    EXPECT_EQ(setPath(L"", obex::kSetPathBackup), ResponseCode::NotFound) << "nothing above the root";
    EXPECT_EQ(list(L"missing"), ResponseCode::NotFound);
    EXPECT_EQ(list(L"escape"), ResponseCode::Forbidden) << "a link out is not followed";
    EXPECT_EQ(setPath(L"escape", obex::kSetPathNoCreate), ResponseCode::Forbidden);
    EXPECT_EQ(setPath(L"../outside", 0), ResponseCode::Forbidden);
    EXPECT_EQ(client.Put(L"escape/secret", "overwritten"), ResponseCode::Forbidden);
    EXPECT_EQ(client.Send(Make(Opcode::Put, client.With({Header::Name(L"escape")}))), ResponseCode::Success)
        << "deleting the link deletes the link";
    EXPECT_EQ(testsupport::ReadFile(folders.root / "outside" / "secret"), "secret");
    EXPECT_EQ(list(L"docs"), ResponseCode::Success);
    EXPECT_EQ(setPath(L"docs", obex::kSetPathNoCreate), ResponseCode::Success);
    EXPECT_EQ(client.Put(L"a.txt", "new"), ResponseCode::Success);
    EXPECT_EQ(Folders::Names(folders.shared / "docs"), (std::vector<std::string>{"a (1).txt", "a.txt"}));
}

// A client on the other end of a socket pair, its server connection on its own thread.
TEST(ObexServerConnection, AClientThatGoesQuietMidPushIsDroppedWithItsPartialObject) {
    Folders folders;
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends), 0);
    platform::UniqueFd client(ends[0]);
    struct Host final : obex::ServerHost {
        bool Allow(const obex::Offer&) override { return true; }
        void Refused(const obex::Peer&, const std::wstring& name, const std::string& why) override {
            std::lock_guard lock(mutex);
            reasons.push_back(std::string(name.begin(), name.end()) + ": " + why);
            changed.notify_all();
        }
        std::mutex mutex;
        std::condition_variable changed;
        std::vector<std::string> reasons;
    };
    auto host = std::make_shared<Host>();
    obex::ServerConnection connection(obex::SocketTransport::Create(platform::UniqueFd(ends[1])),
                                      obex::Peer{std::nullopt, "test", false}, folders.Both(), host,
                                      {std::chrono::milliseconds(300), std::chrono::seconds(30)});
    for (const Request& request : {Make(Opcode::Connect, {}),
                                   Make(Opcode::Put, {Header::Name(L"stalled.bin"), Header::Body(Bytes("part"))}, false)}) {
        const obex::Bytes bytes = Encode(request);
        ASSERT_EQ(write(client.get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    std::unique_lock lock(host->mutex);
    ASSERT_TRUE(host->changed.wait_for(lock, std::chrono::seconds(20), [&] { return !host->reasons.empty(); }));
    EXPECT_EQ(host->reasons.front(), "stalled.bin: the link was lost");
    EXPECT_EQ(Folders::Names(folders.inbox), std::vector<std::string>{}) << "no partial object";
}

}  // namespace
