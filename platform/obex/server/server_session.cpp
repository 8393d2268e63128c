#include "platform/obex/server/server_session.h"

#include <algorithm>

#include "platform/obex/server/folder_listing.h"

namespace obex {
namespace {

constexpr std::size_t kMaxGetHeaders = 64;  // headers gathered over the packets of one GET
constexpr std::size_t kLengthHeaderSize = 5;
constexpr std::size_t kBodyHeaderPrefix = 3;

bool NamesFolderBrowsing(const Request& request) {
    const Header* target = FindHeader(request.headers, hid::kTarget);
    return target && target->bytes() &&
           std::equal(target->bytes()->begin(), target->bytes()->end(), std::begin(kFolderBrowsingTarget),
                      std::end(kFolderBrowsingTarget));
}

// The answer to a failed write or completion of a received object.
ResponseCode StoreFailure(DWORD error) {
    switch (error) {
        case ERROR_INVALID_DATA: return ResponseCode::BadRequest;  // more or fewer bytes than announced
        case ERROR_DISK_FULL: return ResponseCode::DatabaseFull;
        case ERROR_FILE_EXISTS: return ResponseCode::Conflict;
        case ERROR_ACCESS_DENIED: return ResponseCode::Forbidden;
        default: return ResponseCode::InternalServerError;
    }
}

std::string ReasonFor(ResponseCode code) {
    switch (code) {
        case ResponseCode::BadRequest: return "malformed object";
        case ResponseCode::Forbidden: return "refused";
        case ResponseCode::Unauthorized: return "refused";
        case ResponseCode::EntityTooLarge: return "larger than the free space";
        case ResponseCode::DatabaseFull: return "the disk is full";
        case ResponseCode::Conflict: return "the name is taken by a folder";
        default: return "could not be stored";
    }
}

}  // namespace

ServerSession::ServerSession(ServerFolders folders, SessionRules* rules)
    : folders_(std::move(folders)), rules_(rules ? rules : &defaultRules_) {}

ServerSession::~ServerSession() { End(); }

void ServerSession::End() {
    EndOperation("the link was lost");
}

ServerSession::Reply ServerSession::TooLarge() { return Fail(ResponseCode::EntityTooLarge); }

ServerSession::Reply ServerSession::Handle(std::span<const std::uint8_t> packet) {
    Request request;
    if (DecodeRequest(packet, &request) != CodecError::None) return Fail(ResponseCode::BadRequest);
    const bool continuing = (request.opcode == Opcode::Put && operation_ == Operation::Put) ||
                            (request.opcode == Opcode::Get && operation_ == Operation::Get);
    if (!continuing && request.opcode != Opcode::Abort) EndOperation("another request came before its end");
    if (request.opcode == Opcode::Connect) return Connect(request);
    if (!Accepts(request, continuing)) return Answer(ResponseCode::ServiceUnavailable);
    switch (request.opcode) {
        case Opcode::Disconnect:
            kind_.reset();
            tree_.reset();
            return Answer(ResponseCode::Success);
        case Opcode::Abort:
            EndOperation("the sender aborted it");
            return Answer(ResponseCode::Success);
        case Opcode::SetPath: return Answer(SetPath(request));
        case Opcode::Put: return Put(request);
        case Opcode::Get: return Get(request);
        default: return Answer(ResponseCode::NotImplemented);
    }
}

// ---- session ----

ServerSession::Reply ServerSession::Connect(const Request& request) {
    const SessionKind kind = NamesFolderBrowsing(request) ? SessionKind::FileTransfer : SessionKind::ObjectPush;
    Reply reply;
    Response& response = reply.response.emplace();
    response.connect = ConnectFields{kVersion, 0, kServerMaxPacket};
    const auto& folder = kind == SessionKind::FileTransfer ? folders_.shared : folders_.inbox;
    if (!folder) {
        response.code = ResponseCode::ServiceUnavailable;
        return reply;
    }
    if (ResponseCode code = rules_->AcceptSession(kind); code != ResponseCode::Success) {
        response.code = code;
        return reply;
    }
    tree_.reset();
    std::error_code ec;
    if (kind == SessionKind::ObjectPush) std::filesystem::create_directories(*folder, ec);
    if (kind == SessionKind::FileTransfer && !tree_.emplace(*folder).valid()) {
        tree_.reset();
        response.code = ResponseCode::InternalServerError;
        return reply;
    }
    kind_ = kind;
    peerMax_ = std::max<std::size_t>(kMinPacketLength, request.connect.maxPacketLength);
    connectionId_.reset();
    if (kind == SessionKind::FileTransfer) {
        connectionId_ = ++lastConnectionId_;
        response.headers = {Header::Who(kFolderBrowsingTarget), Header::ConnectionId(*connectionId_)};
    }
    return reply;
}

// After CONNECT, with the Connection Id it gave (in the first packet of an operation at least;
// any later one must match too).
bool ServerSession::Accepts(const Request& request, bool continuing) const {
    if (!kind_) return false;
    if (!connectionId_) return true;
    const Header* id = FindHeader(request.headers, hid::kConnectionId);
    if (!id) return continuing || request.opcode == Opcode::Abort;
    return id->quad() && *id->quad() == *connectionId_;
}

// ---- folders ----

ResponseCode ServerSession::SetPath(const Request& request) {
    if (!tree_) return ResponseCode::Forbidden;
    const Header* name = FindHeader(request.headers, hid::kName);
    const bool named = name && name->text() && !name->text()->empty();
    const ServedFolder before = *tree_;
    ResponseCode code = ResponseCode::Success;
    if (request.setPathFlags & kSetPathBackup) {
        code = tree_->GoUp();
    } else if (!named) {
        tree_->GoRoot();
    }
    if (code == ResponseCode::Success && named) {
        const auto safe = SafeItemName(*name->text());
        code = safe ? tree_->Enter(*safe, !(request.setPathFlags & kSetPathNoCreate)) : ResponseCode::Forbidden;
    }
    if (code != ResponseCode::Success) *tree_ = before;
    return code;
}

// ---- PUT ----

ServerSession::Reply ServerSession::Put(const Request& request) {
    if (operation_ != Operation::Put) {
        const Header* name = FindHeader(request.headers, hid::kName);
        if (!name || !name->text() || name->text()->empty()) return Answer(ResponseCode::BadRequest);
        // A file of the shared tree is named exactly; a pushed object's name is cleaned.
        if (tree_ ? !SafeItemName(*name->text()) : !StoredName(*name->text())) return Answer(ResponseCode::Forbidden);
        const Header* length = FindHeader(request.headers, hid::kLength);
        const auto announced = length && length->quad() ? std::optional<std::uint64_t>(*length->quad()) : std::nullopt;
        // The rules say themselves why they refuse.
        if (ResponseCode code = rules_->AcceptPut(*kind_, *name->text(), announced); code != ResponseCode::Success)
            return Answer(code);
        operation_ = Operation::Put;
        putName_ = *name->text();
        putLength_ = announced;
        sawBody_ = false;
        moved_ = 0;
    }
    for (const Header& header : request.headers) {
        if (header.id() != hid::kBody && header.id() != hid::kEndOfBody) continue;
        sawBody_ = true;
        if (!incoming_) {
            if (ResponseCode code = BeginObject(); code != ResponseCode::Success) return Fail(code);
        }
        const auto& bytes = *header.bytes();
        Reply stopped;
        if (!BodyAllowed(bytes.size(), &stopped)) return stopped;
        if (DWORD error = incoming_->Write(bytes.data(), bytes.size()); error != ERROR_SUCCESS)
            return Fail(StoreFailure(error));
    }
    if (!request.final) return Answer(ResponseCode::Continue);
    if (!sawBody_) {
        // A PUT without a body deletes, in the shared tree only.
        const ResponseCode code = tree_ ? tree_->Delete(*SafeItemName(putName_)) : ResponseCode::Forbidden;
        EndOperation();
        return Answer(code);
    }
    std::filesystem::path stored;
    if (DWORD error = incoming_->Complete(&stored); error != ERROR_SUCCESS) return Fail(StoreFailure(error));
    rules_->Stored(*kind_, stored, incoming_->received());
    EndOperation();
    return Answer(ResponseCode::Success);
}

ResponseCode ServerSession::BeginObject() {
    const std::filesystem::path folder = tree_ ? tree_->current() : *folders_.inbox;
    DWORD error = ERROR_SUCCESS;
    incoming_ = ReceivedFile::Begin(folder, putName_, putLength_, &error, folders_.existing);
    if (incoming_) return ResponseCode::Success;
    // The announced length does not fit: refused before a byte is written.
    return error == ERROR_DISK_FULL ? ResponseCode::EntityTooLarge : StoreFailure(error);
}

// The rules on bytes moved: false (the operation over, the reply set) when they stop it.
bool ServerSession::BodyAllowed(std::size_t count, Reply* reply) {
    switch (rules_->BeforeBody(moved_, count)) {
        case SessionRules::Flow::Go: moved_ += count; return true;
        case SessionRules::Flow::Refuse: *reply = Fail(ResponseCode::InternalServerError); return false;
        case SessionRules::Flow::HangUp:
            EndOperation("the link was lost");
            *reply = Reply{std::nullopt, true};
            return false;
    }
    return false;
}

// ---- GET ----

ServerSession::Reply ServerSession::Get(const Request& request) {
    if (operation_ != Operation::Get) {
        operation_ = Operation::Get;
        getHeaders_.clear();
        prepared_ = false;
        moved_ = 0;
    }
    // Headers make the request until it is prepared; the continuation packets that follow
    // (each with its Connection Id) only ask for the next part.
    if (!prepared_) {
        getHeaders_.insert(getHeaders_.end(), request.headers.begin(), request.headers.end());
        if (getHeaders_.size() > kMaxGetHeaders) return Fail(ResponseCode::BadRequest);
    }
    if (!request.final) return Answer(ResponseCode::Continue);
    if (!prepared_) {
        if (ResponseCode code = PrepareGet(); code != ResponseCode::Success) return Fail(code);
        prepared_ = true;
    }
    return NextPart();
}

// Finds the object asked for: a folder's listing, or a file of the current folder.
ResponseCode ServerSession::PrepareGet() {
    if (!tree_) return ResponseCode::Forbidden;
    const Header* type = FindHeader(getHeaders_, hid::kType);
    const Header* nameHeader = FindHeader(getHeaders_, hid::kName);
    const bool named = nameHeader && nameHeader->text() && !nameHeader->text()->empty();
    std::optional<std::string> name;
    if (named && !(name = SafeItemName(*nameHeader->text()))) return ResponseCode::Forbidden;
    listing_.reset();
    file_.reset();
    if (type && type->TypeText() == "x-obex/folder-listing") {
        ServedFolder listed = *tree_;
        if (name) {
            if (ResponseCode code = listed.Enter(*name, false); code != ResponseCode::Success) return code;
        }
        listing_ = FolderListing(listed);
        listingAt_ = 0;
        lengthDue_ = true;
        return ResponseCode::Success;
    }
    if (type) return ResponseCode::NotFound;  // no other object types here
    if (!name) return ResponseCode::BadRequest;
    const auto path = tree_->Existing(*name);
    std::error_code ec;
    if (!path || !std::filesystem::is_regular_file(*path, ec)) return ResponseCode::NotFound;
    file_ = std::make_unique<SentFile>(*path);
    if (!file_->open()) return ResponseCode::Forbidden;
    lengthDue_ = true;
    return ResponseCode::Success;
}

ServerSession::Reply ServerSession::NextPart() {
    const std::uint64_t size = listing_ ? listing_->size() : file_->size();
    Reply reply;
    Response& response = reply.response.emplace();
    std::size_t room = peerMax_ - kPacketPrefixSize - kBodyHeaderPrefix;
    if (lengthDue_ && size <= 0xFFFFFFFFu) {
        response.headers.push_back(Header::Length(static_cast<std::uint32_t>(size)));
        room -= kLengthHeaderSize;
    }
    lengthDue_ = false;
    Bytes part;
    bool atEnd = false;
    if (listing_) {
        const std::size_t count = std::min(room, listing_->size() - listingAt_);
        part.assign(listing_->begin() + static_cast<std::ptrdiff_t>(listingAt_),
                    listing_->begin() + static_cast<std::ptrdiff_t>(listingAt_ + count));
        listingAt_ += count;
        atEnd = listingAt_ == listing_->size();
    } else {
        if (!file_->Read(room, &part)) return Fail(ResponseCode::InternalServerError);
        atEnd = file_->atEnd();
    }
    Reply stopped;
    if (!BodyAllowed(part.size(), &stopped)) return stopped;
    response.code = atEnd ? ResponseCode::Success : ResponseCode::Continue;
    response.headers.emplace_back(atEnd ? hid::kEndOfBody : hid::kBody, std::move(part));
    if (atEnd) EndOperation();
    return reply;
}

// ---- answers ----

// Ends the operation in progress; a partial object is removed, and only then told of with
// `whyNotStored` (when given), so whoever hears of it finds the folder as it stays.
void ServerSession::EndOperation(const std::string& whyNotStored) {
    const bool putOpen = operation_ == Operation::Put && kind_;
    operation_ = Operation::None;
    incoming_.reset();
    file_.reset();
    listing_.reset();
    getHeaders_.clear();
    if (putOpen && !whyNotStored.empty()) rules_->NotStored(*kind_, putName_, whyNotStored);
}

ServerSession::Reply ServerSession::Fail(ResponseCode code) {
    EndOperation(ReasonFor(code));
    return Answer(code);
}

ServerSession::Reply ServerSession::Answer(ResponseCode code) {
    Reply reply;
    reply.response.emplace().code = code;
    return reply;
}

}  // namespace obex
