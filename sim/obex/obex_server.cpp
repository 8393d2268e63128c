#include "sim/obex/obex_server.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/obex/obex_packet.h"
#include "platform/obex/obex_packet_framer.h"
#include "sim/obex/folder_listing.h"
#include "sim/obex/object_files.h"
#include "sim/obex/paced_output.h"
#include "sim/obex/served_folder.h"

namespace sim {
namespace {

using obex::Header;
using obex::Opcode;
using obex::Request;
using obex::Response;
using obex::ResponseCode;
namespace hid = obex::hid;

constexpr std::size_t kMaxGetHeaders = 64;  // headers gathered over the packets of one GET
constexpr std::size_t kLengthHeaderSize = 5;
constexpr std::size_t kBodyHeaderPrefix = 3;

class ObexServer final : public SerialEndpoint {
public:
    ObexServer(const ObexServerConfig& config, Output output, std::function<void()> hangup)
        : config_(config), folder_(config.folder), paced_(std::move(output), std::move(hangup), config.linkKbps) {}

    void Receive(const std::uint8_t* data, std::size_t size) override {
        while (size > 0 && !hungUp_) {
            std::size_t taken = 0;
            const auto event = framer_.Feed(std::span(data, size), &taken);
            data += taken;
            size -= taken;
            if (event == obex::PacketFramer::Event::Packet) {
                Handle(framer_.packet());
                framer_.Clear();
            } else if (event == obex::PacketFramer::Event::TooLarge) {
                EndOperation();
                Answer(ResponseCode::EntityTooLarge);
            } else if (event == obex::PacketFramer::Event::Lost) {
                Answer(ResponseCode::BadRequest);
                HangUp();
            }
        }
    }

private:
    enum class Operation { None, Put, Get };

    void Handle(std::span<const std::uint8_t> packet) {
        Request request;
        if (obex::DecodeRequest(packet, &request) != obex::CodecError::None) {
            EndOperation();
            Answer(ResponseCode::BadRequest);
            return;
        }
        if (request.opcode == Opcode::Abort) paced_.Hurry();  // answers still on their way go at once
        const bool continuing = (request.opcode == Opcode::Put && operation_ == Operation::Put) ||
                                (request.opcode == Opcode::Get && operation_ == Operation::Get);
        if (!continuing && request.opcode != Opcode::Abort) EndOperation();
        if (request.opcode == Opcode::Connect) return Connect(request);
        if (!SessionAccepts(request, continuing)) return Answer(ResponseCode::ServiceUnavailable);
        switch (request.opcode) {
            case Opcode::Disconnect:
                connected_ = false;
                return Answer(ResponseCode::Success);
            case Opcode::Abort:
                EndOperation();
                return Answer(ResponseCode::Success);
            case Opcode::SetPath: return Answer(SetPath(request));
            case Opcode::Put: return Put(request);
            case Opcode::Get: return Get(request);
            default: return Answer(ResponseCode::NotImplemented);
        }
    }

    // ---- session ----

    void Connect(const Request& request) {
        const Header* target = obex::FindHeader(request.headers, hid::kTarget);
        const bool browsing = target && target->bytes() &&
                              std::equal(target->bytes()->begin(), target->bytes()->end(), std::begin(kFolderBrowsingTarget),
                                         std::end(kFolderBrowsingTarget));
        Response response;
        response.connect = obex::ConnectFields{obex::kVersion, 0, kServerMaxPacket};
        if (config_.fileTransfer != browsing) {
            response.code = ResponseCode::ServiceUnavailable;
            return Send(response);
        }
        peerMax_ = std::max<std::size_t>(obex::kMinPacketLength, request.connect.maxPacketLength);
        connected_ = true;
        folder_.GoRoot();
        if (browsing) {
            connectionId_ = ++lastConnectionId_;
            response.headers = {Header::Who(kFolderBrowsingTarget), Header::ConnectionId(*connectionId_)};
        }
        Send(response);
    }

    // After CONNECT, with the Connection Id it gave (in the first packet of an operation at
    // least; any later one must match too).
    bool SessionAccepts(const Request& request, bool continuing) const {
        if (!connected_) return false;
        if (!connectionId_) return true;
        const Header* id = obex::FindHeader(request.headers, hid::kConnectionId);
        if (!id) return continuing || request.opcode == Opcode::Abort;
        return id->quad() && *id->quad() == *connectionId_;
    }

    // ---- folders ----

    ResponseCode SetPath(const Request& request) {
        if (!config_.fileTransfer) return ResponseCode::Forbidden;
        const Header* name = obex::FindHeader(request.headers, hid::kName);
        const bool named = name && name->text() && !name->text()->empty();
        const ServedFolder before = folder_;
        ResponseCode code = ResponseCode::Success;
        if (request.setPathFlags & obex::kSetPathBackup) {
            code = folder_.GoUp();
        } else if (!named) {
            folder_.GoRoot();
        }
        if (code == ResponseCode::Success && named) {
            const auto safe = SafeItemName(*name->text());
            code = safe ? folder_.Enter(*safe, !(request.setPathFlags & obex::kSetPathNoCreate)) : ResponseCode::Forbidden;
        }
        if (code != ResponseCode::Success) folder_ = before;
        return code;
    }

    // ---- PUT ----

    void Put(const Request& request) {
        if (operation_ != Operation::Put) {
            if (config_.faults.refusePut) return Answer(ResponseCode::Forbidden);
            const Header* name = obex::FindHeader(request.headers, hid::kName);
            if (!name || !name->text()) return Answer(ResponseCode::BadRequest);
            auto safe = SafeItemName(*name->text());
            if (!safe) return Answer(ResponseCode::Forbidden);
            operation_ = Operation::Put;
            putName_ = std::move(*safe);
            sawBody_ = false;
            moved_ = 0;
        }
        for (const Header& header : request.headers) {
            if (header.id() != hid::kBody && header.id() != hid::kEndOfBody) continue;
            sawBody_ = true;
            if (!incoming_) incoming_ = std::make_unique<IncomingObject>(folder_.current());
            if (!incoming_->open()) return Fail(ResponseCode::InternalServerError);
            const auto& bytes = *header.bytes();
            if (!BodyAllowed(bytes.size())) return;
            if (!incoming_->Write(bytes)) return Fail(ResponseCode::DatabaseFull);
        }
        if (!request.final) return Answer(ResponseCode::Continue);
        ResponseCode code = ResponseCode::Success;
        if (!sawBody_) {
            code = config_.fileTransfer ? folder_.Delete(putName_) : ResponseCode::Forbidden;
        } else if (incoming_->Commit(putName_, !config_.fileTransfer).empty()) {
            code = ResponseCode::InternalServerError;
        }
        Fail(code);  // the operation is over, whatever the answer
    }

    // The faults on bytes moved: false (and the operation over) when they stop the transfer.
    bool BodyAllowed(std::size_t count) {
        const auto& faults = config_.faults;
        if (faults.dropAfter && moved_ + count > *faults.dropAfter) {
            EndOperation();
            HangUp();
            return false;
        }
        if (faults.abortAfter && moved_ + count > *faults.abortAfter) {
            Fail(ResponseCode::InternalServerError);
            return false;
        }
        moved_ += count;
        return true;
    }

    // ---- GET ----

    void Get(const Request& request) {
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
        SendNextPart();
    }

    // Finds the object asked for: a folder's listing, or a file of the current folder.
    ResponseCode PrepareGet() {
        if (!config_.fileTransfer) return ResponseCode::Forbidden;
        const Header* type = obex::FindHeader(getHeaders_, hid::kType);
        const Header* nameHeader = obex::FindHeader(getHeaders_, hid::kName);
        const bool named = nameHeader && nameHeader->text() && !nameHeader->text()->empty();
        std::optional<std::string> name;
        if (named && !(name = SafeItemName(*nameHeader->text()))) return ResponseCode::Forbidden;
        listing_.reset();
        file_.reset();
        if (type && type->TypeText() == "x-obex/folder-listing") {
            ServedFolder listed = folder_;
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
        const auto path = folder_.Existing(*name);
        std::error_code ec;
        if (!path || !std::filesystem::is_regular_file(*path, ec)) return ResponseCode::NotFound;
        file_ = std::make_unique<OutgoingFile>(*path);
        if (!file_->open()) return ResponseCode::Forbidden;
        lengthDue_ = true;
        return ResponseCode::Success;
    }

    void SendNextPart() {
        const std::uint64_t size = listing_ ? listing_->size() : file_->size();
        Response response;
        std::size_t room = peerMax_ - obex::kPacketPrefixSize - kBodyHeaderPrefix;
        if (lengthDue_ && size <= 0xFFFFFFFFu) {
            response.headers.push_back(Header::Length(static_cast<std::uint32_t>(size)));
            room -= kLengthHeaderSize;
        }
        lengthDue_ = false;
        obex::Bytes part;
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
        if (!BodyAllowed(part.size())) return;
        response.code = atEnd ? ResponseCode::Success : ResponseCode::Continue;
        response.headers.emplace_back(atEnd ? hid::kEndOfBody : hid::kBody, std::move(part));
        if (atEnd) EndOperation();
        Send(response);
    }

    // ---- answers ----

    // Ends the operation in progress; a partial object is removed.
    void EndOperation() {
        operation_ = Operation::None;
        incoming_.reset();
        file_.reset();
        listing_.reset();
        getHeaders_.clear();
    }
    void Fail(ResponseCode code) {
        EndOperation();
        Answer(code);
    }
    void Answer(ResponseCode code) {
        Response response;
        response.code = code;
        Send(response);
    }
    void Send(const Response& response) {
        if (obex::EncodeResponse(response, &outgoing_) != obex::CodecError::None) return;
        paced_.Send(outgoing_);
    }
    void HangUp() {
        hungUp_ = true;
        paced_.HangUp();
    }

    const ObexServerConfig config_;
    ServedFolder folder_;
    PacedOutput paced_;  // what this server sends, at the link's rate
    // An oversized packet is passed over and refused; the next one is read as usual.
    obex::PacketFramer framer_{kServerMaxPacket, obex::PacketFramer::Oversized::Skip};
    obex::Bytes outgoing_;  // the answer being sent; kept for its storage
    bool hungUp_ = false;

    bool connected_ = false;
    std::size_t peerMax_ = obex::kMinPacketLength;
    std::optional<std::uint32_t> connectionId_;
    std::uint32_t lastConnectionId_ = 0;

    Operation operation_ = Operation::None;
    std::uint64_t moved_ = 0;  // body bytes of this operation
    // PUT
    std::string putName_;
    bool sawBody_ = false;
    std::unique_ptr<IncomingObject> incoming_;
    // GET
    std::vector<Header> getHeaders_;
    bool prepared_ = false;
    bool lengthDue_ = false;
    std::optional<std::string> listing_;
    std::size_t listingAt_ = 0;
    std::unique_ptr<OutgoingFile> file_;
};

}  // namespace

std::unique_ptr<SerialEndpoint> MakeObexServer(const ObexServerConfig& config, SerialEndpoint::Output output,
                                               std::function<void()> hangup) {
    return std::make_unique<ObexServer>(config, std::move(output), std::move(hangup));
}

}  // namespace sim
