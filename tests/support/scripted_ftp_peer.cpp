#include "support/scripted_ftp_peer.h"

#include <algorithm>
#include <cstdio>

#include "platform/text/utf.h"

namespace testsupport {
namespace {

using obex::Header;
using obex::Opcode;
using obex::Request;
using obex::Response;
using obex::ResponseCode;
using Answers = std::vector<Response>;
namespace hid = obex::hid;

// An object being sent: a head, a run of filler bytes made as they go out, and a tail, so
// that a listing of many megabytes never has to be held whole.
struct Outgoing {
    std::string head;
    std::size_t filler = 0;
    std::string tail;
    std::size_t sent = 0;

    std::size_t size() const { return head.size() + filler + tail.size(); }
    std::string Next(std::size_t most) {
        std::string part;
        while (part.size() < most && sent < size()) {
            const std::size_t room = most - part.size();
            std::size_t count = 0;
            if (sent < head.size()) {
                count = std::min(room, head.size() - sent);
                part.append(head, sent, count);
            } else if (sent < head.size() + filler) {
                count = std::min(room, head.size() + filler - sent);
                part.append(count, ' ');
            } else {
                const std::size_t at = sent - head.size() - filler;
                count = std::min(room, tail.size() - at);
                part.append(tail, at, count);
            }
            sent += count;
        }
        return part;
    }
};

class FtpPeerState {
public:
    explicit FtpPeerState(FtpPeerBehaviour behaviour) : b_(std::move(behaviour)) {}

    Answers Handle(const Request& request) {
        if (b_.silent || b_.neverAnswered == request.opcode) return {};
        switch (request.opcode) {
            case Opcode::Connect: return {ScriptedObexServer::Connected()};
            case Opcode::Disconnect: return {Answer(ResponseCode::Success)};
            case Opcode::SetPath: return {Answer(SetPath(request))};
            case Opcode::Abort: {
                const bool open = get_.has_value() || putOpen_;
                get_.reset();
                putOpen_ = false;
                return {Answer(open || !b_.strictAbort ? ResponseCode::Success : ResponseCode::NotImplemented)};
            }
            case Opcode::Put: return {Answer(Put(request))};
            case Opcode::Get: return Get(request);
            default: return {Answer(ResponseCode::BadRequest)};
        }
    }

private:
    static Response Answer(ResponseCode code, std::vector<Header> headers = {}) {
        return ScriptedObexServer::Answer(code, std::move(headers));
    }

    ResponseCode SetPath(const Request& request) {
        if (b_.refuseSetPath) return ResponseCode::Forbidden;
        const Header* name = obex::FindHeader(request.headers, hid::kName);
        if ((request.setPathFlags & obex::kSetPathBackup) || !name || !name->text() || name->text()->empty()) {
            inFolder_ = false;
            return ResponseCode::Success;
        }
        if (inFolder_ || *name->text() != b_.folder) return ResponseCode::NotFound;
        inFolder_ = true;
        return ResponseCode::Success;
    }

    // An upload, or a delete: a PUT whose packets bring a name and no body.
    ResponseCode Put(const Request& request) {
        if (!putOpen_) {
            putName_.reset();
            putBody_ = false;
        }
        if (const Header* name = obex::FindHeader(request.headers, hid::kName); name && name->text())
            putName_ = *name->text();
        putBody_ = putBody_ || obex::FindHeader(request.headers, hid::kBody) ||
                   obex::FindHeader(request.headers, hid::kEndOfBody);
        putOpen_ = !request.final;
        if (!request.final) return ResponseCode::Continue;
        if (putBody_ || !putName_) return ResponseCode::Success;
        return !inFolder_ && b_.files.erase(*putName_) ? ResponseCode::Success : ResponseCode::NotFound;
    }

    Answers Get(const Request& request) {
        const Header* type = obex::FindHeader(request.headers, hid::kType);
        const Header* name = obex::FindHeader(request.headers, hid::kName);
        bool first = false;
        if (type || name) {  // a new GET
            first = true;
            get_.emplace();
            isFile_ = !type || type->TypeText() != "x-obex/folder-listing";
            if (isFile_) {
                const auto file = name && name->text() && !inFolder_ ? b_.files.find(*name->text()) : b_.files.end();
                if (file == b_.files.end()) {
                    get_.reset();
                    return {Answer(ResponseCode::NotFound)};
                }
                get_->tail = file->second;
            } else {
                *get_ = Listing();
            }
        } else if (!get_) {
            return {Answer(ResponseCode::BadRequest)};
        }
        if (!first && b_.quietAfterFirstAnswer) return {};
        if (isFile_ && b_.continueForever) return {Answer(ResponseCode::Continue)};
        std::vector<Header> headers;
        if (first && isFile_) headers.push_back(Header::Length(b_.claimedLength.value_or(get_->size())));
        const std::string part = get_->Next(b_.bodyPerAnswer);
        const bool last = get_->sent == get_->size();
        const std::span bytes(reinterpret_cast<const std::uint8_t*>(part.data()), part.size());
        headers.push_back(last ? Header::EndOfBody(bytes) : Header::Body(bytes));
        if (last) get_.reset();
        return {Answer(last ? ResponseCode::Success : ResponseCode::Continue, std::move(headers))};
    }

    Outgoing Listing() const {
        Outgoing listing;
        listing.head = "<?xml version=\"1.0\"?>\n<folder-listing version=\"1.0\">\n";
        if (b_.listingPadding > 0) {
            listing.head += "<!--";
            listing.filler = b_.listingPadding;
            listing.tail = "-->\n";
        }
        if (inFolder_) {
            listing.tail += "<parent-folder/>\n";
        } else {
            if (!b_.folder.empty())
                listing.tail += "<folder name=\"" + platform::Utf8FromWide(b_.folder) + "\"/>\n";
            for (const auto& [file, body] : b_.files)
                listing.tail += "<file name=\"" + platform::Utf8FromWide(file) + "\" size=\"" +
                                std::to_string(body.size()) + "\"/>\n";
            char entry[64];
            for (std::size_t i = 1; i <= b_.extraEntries; ++i) {
                std::snprintf(entry, sizeof entry, "<file name=\"f%07zu.txt\" size=\"1\"/>\n", i);
                listing.tail += entry;
            }
        }
        listing.tail += "</folder-listing>\n";
        return listing;
    }

    FtpPeerBehaviour b_;
    bool inFolder_ = false;
    bool putOpen_ = false;
    std::optional<std::wstring> putName_;
    bool putBody_ = false;
    std::optional<Outgoing> get_;
    bool isFile_ = false;
};

}  // namespace

ScriptedObexServer::Script FtpPeer(FtpPeerBehaviour behaviour) {
    auto state = std::make_shared<FtpPeerState>(std::move(behaviour));
    return [state](const Request& request) { return state->Handle(request); };
}

}  // namespace testsupport
