#include "sim/obex/remote_obex_client.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace sim {
namespace {

using obex::Header;
using obex::SessionResult;
using obex::SessionStatus;

// Ends the session whatever the outcome; the outcome is `result`.
SessionResult Finish(obex::ClientSession& session, SessionResult result) {
    session.Disconnect({});
    return result;
}

// The Body and End-of-Body bytes of a GET answer, appended; false past `limit`.
bool TakeBody(const std::vector<Header>& headers, std::size_t limit, std::string* out) {
    for (const Header& header : headers) {
        if (header.id() != obex::hid::kBody && header.id() != obex::hid::kEndOfBody) continue;
        const obex::Bytes* bytes = header.bytes();
        if (!bytes) continue;
        if (bytes->size() > limit - std::min(limit, out->size())) return false;
        out->append(bytes->begin(), bytes->end());
    }
    return true;
}

}  // namespace

SessionResult PushObject(obex::ClientSession& session, const std::wstring& name, const std::vector<std::uint8_t>& body) {
    if (SessionResult connected = session.Connect({}); !connected.ok()) return connected;
    std::vector<Header> headers{Header::Name(name)};
    if (body.size() <= std::numeric_limits<std::uint32_t>::max())
        headers.push_back(Header::Length(static_cast<std::uint32_t>(body.size())));
    obex::OperationId operation = 0;
    if (SessionResult begun = session.BeginPut(std::move(headers), &operation); !begun.ok())
        return Finish(session, begun);
    const std::size_t capacity = std::max<std::size_t>(session.BodyCapacity(), 1);
    obex::Bytes part;
    std::size_t at = 0;
    for (;;) {
        const std::size_t count = std::min(capacity, body.size() - at);
        const bool last = at + count == body.size();
        part.assign(body.begin() + static_cast<std::ptrdiff_t>(at), body.begin() + static_cast<std::ptrdiff_t>(at + count));
        at += count;
        SessionResult sent = session.PutPart(operation, &part, last, true);
        if (!sent.ok() || last) return Finish(session, sent);
    }
}

SessionResult ListFolder(obex::ClientSession& session, std::size_t limit, std::string* listing) {
    listing->clear();
    if (SessionResult connected = session.Connect({Header::Target(obex::kFolderBrowsingTarget)}); !connected.ok())
        return connected;
    obex::OperationId operation = 0;
    std::vector<Header> answer;
    bool more = false;
    SessionResult got = session.BeginGet({Header::Type("x-obex/folder-listing")}, &operation, &answer, &more);
    for (;;) {
        if (!got.ok()) return Finish(session, got);
        if (!TakeBody(answer, limit, listing)) {
            session.Abort({});
            listing->clear();
            return Finish(session, {SessionStatus::TooLarge, obex::ResponseCode::Success, obex::CodecError::None});
        }
        if (!more) return Finish(session, got);
        answer.clear();
        got = session.GetNext(operation, &answer, &more);
    }
}

std::string ResponseText(obex::ResponseCode code) {
    using obex::ResponseCode;
    const char* name = nullptr;
    switch (code) {
        case ResponseCode::Continue: name = "Continue"; break;
        case ResponseCode::Success: return "Success";
        case ResponseCode::Created: name = "Created"; break;
        case ResponseCode::Accepted: name = "Accepted"; break;
        case ResponseCode::BadRequest: name = "Bad Request"; break;
        case ResponseCode::Unauthorized: name = "Unauthorized"; break;
        case ResponseCode::Forbidden: name = "Forbidden"; break;
        case ResponseCode::NotFound: name = "Not Found"; break;
        case ResponseCode::MethodNotAllowed: name = "Method Not Allowed"; break;
        case ResponseCode::NotAcceptable: name = "Not Acceptable"; break;
        case ResponseCode::RequestTimeout: name = "Request Timeout"; break;
        case ResponseCode::Conflict: name = "Conflict"; break;
        case ResponseCode::LengthRequired: name = "Length Required"; break;
        case ResponseCode::PreconditionFailed: name = "Precondition Failed"; break;
        case ResponseCode::EntityTooLarge: name = "Entity Too Large"; break;
        case ResponseCode::UnsupportedMediaType: name = "Unsupported Media Type"; break;
        case ResponseCode::InternalServerError: name = "Internal Server Error"; break;
        case ResponseCode::NotImplemented: name = "Not Implemented"; break;
        case ResponseCode::ServiceUnavailable: name = "Service Unavailable"; break;
        case ResponseCode::DatabaseFull: name = "Database Full"; break;
        case ResponseCode::DatabaseLocked: name = "Database Locked"; break;
    }
    char code_[8];
    std::snprintf(code_, sizeof code_, "0x%02X", static_cast<unsigned>(code) | obex::kFinalBit);
    return std::string(name ? name : "Response") + " (" + code_ + ")";
}

}  // namespace sim
