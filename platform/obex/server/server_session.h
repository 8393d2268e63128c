#pragma once
// The server side of one OBEX session: Object Push into an inbox, File Transfer over a shared
// folder tree, or either, as the client's CONNECT asks (a Folder Browsing target for File
// Transfer). It takes whole request packets and gives the answer to each, so it runs the same
// behind a simulated device's service, a Bluetooth connection or a TCP connection; whoever
// feeds it frames the packets and sends the answers.
//
// Nothing a peer sends reaches outside the folders: names are checked, links that lead out are
// not followed, and an object becomes a file only once it is complete.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/obex/obex_packet.h"
#include "platform/obex/server/received_file.h"
#include "platform/obex/server/sent_file.h"
#include "platform/obex/server/served_folder.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

// What a server announces as the largest packet it takes; larger ones are refused.
inline constexpr std::uint16_t kServerMaxPacket = 16384;

struct ServerFolders {
    std::optional<std::filesystem::path> inbox;   // Object Push lands here; none: no Object Push
    std::optional<std::filesystem::path> shared;  // File Transfer serves this; none: no File Transfer
    ExistingFile existing = ExistingFile::Kept;   // what a stored object does to a file of its name
};

enum class SessionKind { ObjectPush, FileTransfer };

// What the session asks of whoever runs it, on the thread that hands it packets.
class SessionRules {
public:
    enum class Flow { Go, Refuse, HangUp };
    virtual ~SessionRules() = default;
    // A CONNECT for this kind: Success, or the code that refuses the session.
    virtual ResponseCode AcceptSession(SessionKind) { return ResponseCode::Success; }
    // The first packet of a PUT (an object, or a delete in File Transfer): Success, or the code
    // that refuses it. It may wait, bounded, for a user's answer.
    virtual ResponseCode AcceptPut(SessionKind, const std::wstring& /*name*/, std::optional<std::uint64_t> /*length*/) {
        return ResponseCode::Success;
    }
    // Before `count` more body bytes, after `moved` of this operation, either way.
    virtual Flow BeforeBody(std::uint64_t /*moved*/, std::size_t /*count*/) { return Flow::Go; }
    // An object was stored at `path`.
    virtual void Stored(SessionKind, const std::filesystem::path& /*path*/, std::uint64_t /*size*/) {}
    // An object named `name` (as the sender gave it) was lost or could not be stored, and why;
    // not for a PUT that AcceptPut refused.
    virtual void NotStored(SessionKind, const std::wstring& /*name*/, const std::string& /*reason*/) {}
};

class ServerSession {
public:
    struct Reply {
        std::optional<Response> response;  // what to send back
        bool hangUp = false;               // then break the link
    };

    // `rules` (optional) outlives the session.
    ServerSession(ServerFolders folders, SessionRules* rules);
    ~ServerSession();
    ServerSession(const ServerSession&) = delete;
    ServerSession& operator=(const ServerSession&) = delete;

    // One whole request packet.
    Reply Handle(std::span<const std::uint8_t> packet);
    // A request longer than kServerMaxPacket went by unread.
    Reply TooLarge();
    // The link is gone: what was begun is dropped, a partial object removed.
    void End();

    bool connected() const { return kind_.has_value(); }
    // The operation in progress is a PUT or GET not yet answered in full.
    bool busy() const { return operation_ != Operation::None; }

private:
    enum class Operation { None, Put, Get };

    Reply Connect(const Request& request);
    bool Accepts(const Request& request, bool continuing) const;
    ResponseCode SetPath(const Request& request);
    Reply Put(const Request& request);
    ResponseCode BeginObject();
    Reply Get(const Request& request);
    ResponseCode PrepareGet();
    Reply NextPart();
    // False (and the reply set) when the rules stop the transfer.
    bool BodyAllowed(std::size_t count, Reply* reply);
    void EndOperation(const std::string& whyNotStored = {});
    Reply Fail(ResponseCode code);
    static Reply Answer(ResponseCode code);

    const ServerFolders folders_;
    SessionRules* const rules_;
    SessionRules defaultRules_;

    std::optional<SessionKind> kind_;  // set by CONNECT
    std::optional<ServedFolder> tree_;  // File Transfer: the shared folder and where the client is
    std::size_t peerMax_ = kMinPacketLength;
    std::optional<std::uint32_t> connectionId_;
    std::uint32_t lastConnectionId_ = 0;

    Operation operation_ = Operation::None;
    std::uint64_t moved_ = 0;  // body bytes of this operation
    // PUT
    std::wstring putName_;
    std::optional<std::uint64_t> putLength_;
    bool sawBody_ = false;
    std::unique_ptr<ReceivedFile> incoming_;
    // GET
    std::vector<Header> getHeaders_;
    bool prepared_ = false;
    bool lengthDue_ = false;
    std::optional<std::string> listing_;
    std::size_t listingAt_ = 0;
    std::unique_ptr<SentFile> file_;
};

}  // namespace obex

#pragma GCC visibility pop
