// Our OBEX server's session fed what a peer may send: the first byte chooses the folders (an
// inbox, a shared tree, or both), what an object does to a file of its name and how its host
// rules (as a user or a fault may: refusing objects, stopping or hanging up after some bytes);
// the rest is the stream of request packets, framed as the servers frame it. Every input gets a fresh
// folder tree holding, beside the inbox and the shared tree, a folder that links inside the
// shared tree lead to. Whatever the peer sends, nothing outside the inbox and the shared tree
// changes, every answer is a packet the peer accepts, and no partial object is left behind.
#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/obex/obex_packet_framer.h"
#include "platform/obex/server/server_session.h"

namespace {

namespace fs = std::filesystem;
using namespace obex;

fs::path base;  // this run's folder; every input's tree is made in base/tree

void Write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// inbox/old.txt, shared/{hello.txt, docs/note.txt, links out}, outside/{secret.txt, inner/}
void MakeTree(const fs::path& tree) {
    fs::create_directories(tree / "inbox");
    fs::create_directories(tree / "shared" / "docs");
    fs::create_directories(tree / "outside" / "inner");
    Write(tree / "inbox" / "old.txt", "an object received before");
    Write(tree / "shared" / "hello.txt", "hello from the shared tree");
    Write(tree / "shared" / "docs" / "note.txt", "a note");
    Write(tree / "outside" / "secret.txt", "nothing a peer may read or change");
    fs::create_directory_symlink("../outside", tree / "shared" / "out");
    fs::create_symlink("../outside/secret.txt", tree / "shared" / "secret.txt");
    fs::create_symlink("../../outside/inner", tree / "shared" / "docs" / "inner");
    fs::create_symlink("../outside/none.txt", tree / "shared" / "dangling.txt");
}

// Every item under `root` but those under `skipped`: its kind and what it holds or points to.
std::map<std::string, std::string> Describe(const fs::path& root, const std::vector<fs::path>& skipped) {
    std::map<std::string, std::string> items;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& path = it->path();
        if (std::find(skipped.begin(), skipped.end(), path) != skipped.end()) {
            it.disable_recursion_pending();
            continue;
        }
        std::string& item = items[fs::relative(path, root).string()];
        if (it->is_symlink()) {
            item = "link to " + fs::read_symlink(path).string();
        } else if (it->is_directory()) {
            item = "folder";
        } else {
            std::ostringstream content;
            content << std::ifstream(path, std::ios::binary).rdbuf();
            item = "file " + content.str();
        }
    }
    return items;
}

// Objects on their way ("<prefix>XXXXXX") left anywhere under `root`.
bool HoldsPartialObject(const fs::path& root) {
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.path().filename().string().rfind(kReceivingPrefix, 0) == 0) return true;
    return false;
}

// The host's answers, by bits 3 and 4 of the first byte; an object it is told of was stored
// whole in a folder it serves.
class Rules final : public SessionRules {
public:
    Rules(std::uint8_t choice, std::vector<fs::path> served) : choice_((choice >> 3) & 3), served_(std::move(served)) {}

    ResponseCode AcceptPut(SessionKind, const std::wstring&, std::optional<std::uint64_t>) override {
        return choice_ == kRefusePut ? ResponseCode::Forbidden : ResponseCode::Success;
    }
    Flow BeforeBody(std::uint64_t moved, std::size_t count) override {
        if (moved + count <= kBodyAllowed) return Flow::Go;
        return choice_ == kRefuseBody ? Flow::Refuse : choice_ == kHangUp ? Flow::HangUp : Flow::Go;
    }
    void Stored(SessionKind, const fs::path& path, std::uint64_t size) override {
        std::error_code ec;
        FUZZ_CHECK(fs::is_regular_file(fs::symlink_status(path, ec)) && fs::file_size(path, ec) == size);
        const fs::path folder = fs::canonical(path.parent_path(), ec);
        FUZZ_CHECK(std::any_of(served_.begin(), served_.end(), [&](const fs::path& served) {
            return std::mismatch(served.begin(), served.end(), folder.begin(), folder.end()).first == served.end();
        }));
    }

private:
    static constexpr std::uint8_t kRefuseBody = 1, kHangUp = 2, kRefusePut = 3;
    static constexpr std::uint64_t kBodyAllowed = 64;
    const std::uint8_t choice_;
    const std::vector<fs::path> served_;  // canonical
};

// The largest packet the peer said it takes, once a CONNECT of its was accepted.
std::size_t PeerMaximum(std::span<const std::uint8_t> packet, const Response& response, std::size_t before) {
    Request request;
    if (response.code != ResponseCode::Success || DecodeRequest(packet, &request) != CodecError::None ||
        request.opcode != Opcode::Connect)
        return before;
    return std::max<std::size_t>(kMinPacketLength, request.connect.maxPacketLength);
}

void RunSession(const fs::path& tree, std::uint8_t choice, std::span<const std::uint8_t> stream) {
    ServerFolders folders;
    if (choice & 1) folders.inbox = tree / "inbox";
    if (choice & 2) folders.shared = tree / "shared";
    folders.existing = choice & 4 ? ExistingFile::Replaced : ExistingFile::Kept;
    Rules rules(choice, {fs::canonical(tree / "inbox"), fs::canonical(tree / "shared")});
    ServerSession session(folders, &rules);
    PacketFramer framer(kServerMaxPacket, PacketFramer::Oversized::Skip);
    std::size_t peerMax = kMinPacketLength;
    Bytes answer;
    while (!stream.empty()) {
        std::size_t taken = 0;
        const PacketFramer::Event event = framer.Feed(stream, &taken);
        const std::span<const std::uint8_t> packet = framer.packet();
        stream = stream.subspan(taken);
        ServerSession::Reply reply;
        if (event == PacketFramer::Event::Packet) {
            reply = session.Handle(packet);
        } else if (event == PacketFramer::Event::TooLarge) {
            reply = session.TooLarge();
        } else if (event == PacketFramer::Event::Lost) {
            break;
        } else {
            continue;
        }
        if (reply.response) {
            peerMax = PeerMaximum(packet, *reply.response, peerMax);
            FUZZ_CHECK(EncodeResponse(*reply.response, &answer) == CodecError::None);
            FUZZ_CHECK(answer.size() <= peerMax);
        }
        framer.Clear();
        if (reply.hangUp) break;
    }
    session.End();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    base = fuzzsupport::TemporaryFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > fuzzsupport::kMaxInput) return 0;
    const fs::path tree = base / "tree";
    MakeTree(tree);
    const std::vector<fs::path> served = {tree / "inbox", tree / "shared"};
    const auto before = Describe(base, served);
    RunSession(tree, data[0], std::span(data + 1, size - 1));
    FUZZ_CHECK(Describe(base, served) == before);
    FUZZ_CHECK(!HoldsPartialObject(tree));
    fs::remove_all(tree);
    return 0;
}
