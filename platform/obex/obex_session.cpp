#include "platform/obex/obex_session.h"

#include <algorithm>

namespace obex {
namespace {

constexpr std::size_t kConnectionIdSize = 5;
constexpr std::size_t kBodyPrefixSize = 3;

SessionResult Status(SessionStatus status, ResponseCode response = ResponseCode::Success) {
    return {status, response, CodecError::None};
}

}  // namespace

const char* SessionStatusText(SessionStatus status) {
    switch (status) {
        case SessionStatus::Ok: return "success";
        case SessionStatus::Refused: return "refused by the peer";
        case SessionStatus::LinkFailed: return "the link failed";
        case SessionStatus::BadResponse: return "malformed or unexpected answer";
        case SessionStatus::Aborted: return "aborted";
        case SessionStatus::TooLarge: return "headers do not fit the peer's packets";
        case SessionStatus::Busy: return "another operation is open";
        case SessionStatus::NotConnected: return "not connected";
        case SessionStatus::TimedOut: return "no answer in time";
    }
    return "unknown";
}

ClientSession::ClientSession(std::unique_ptr<Transport> transport, std::chrono::milliseconds timeout)
    : transport_(std::move(transport)), timeout_(timeout) {}

ClientSession::~ClientSession() { transport_->Close(); }

bool ClientSession::connected() const {
    std::lock_guard lock(state_);
    return connected_;
}

std::uint16_t ClientSession::peerMaxPacketLength() const {
    std::lock_guard lock(state_);
    return peerMax_;
}

std::optional<std::uint32_t> ClientSession::connectionId() const {
    std::lock_guard lock(state_);
    return connectionId_;
}

std::size_t ClientSession::BodyCapacity() const {
    std::lock_guard lock(state_);
    return peerMax_ - kPacketPrefixSize - kBodyPrefixSize;
}

std::vector<Header> ClientSession::WithConnectionId(std::vector<Header> headers) const {
    std::optional<std::uint32_t> id = connectionId();
    auto own = std::stable_partition(headers.begin(), headers.end(),
                                     [](const Header& h) { return h.id() == hid::kConnectionId; });
    if (!id && own != headers.begin()) id = *headers.front().quad();
    headers.erase(headers.begin(), own);
    if (id) headers.insert(headers.begin(), Header::ConnectionId(*id));
    return headers;
}

SessionResult ClientSession::Break(SessionStatus status, CodecError codec) {
    broken_ = true;
    abandoned_ = abandoned_ || (status == SessionStatus::Aborted && !connected());
    transport_->Close();
    {
        std::lock_guard lock(state_);
        connected_ = false;
    }
    return {status, ResponseCode::Success, codec};
}

SessionResult ClientSession::SendLocked(const Request& request, std::chrono::milliseconds bound) {
    if (broken_) return Status(abandoned_ ? SessionStatus::Aborted : SessionStatus::LinkFailed);
    if (CodecError error = EncodeRequest(request, &outgoing_); error != CodecError::None)
        return {SessionStatus::TooLarge, ResponseCode::Success, error};
    // Before the peer has told its maximum, only the size every peer accepts.
    const std::size_t limit = request.opcode == Opcode::Connect ? kMinPacketLength : peerMaxPacketLength();
    if (outgoing_.size() > limit) return {SessionStatus::TooLarge, ResponseCode::Success, CodecError::PacketTooLarge};
    transport_->SetDeadline(std::chrono::steady_clock::now() + bound);
    const TransportResult sent = transport_->Send(outgoing_);
    if (sent.status == TransportStatus::Interrupted && sent.count == 0) return Status(SessionStatus::Aborted);
    if (sent.status == TransportStatus::TimedOut) return Break(SessionStatus::TimedOut);
    if (sent.status != TransportStatus::Ok) return Break(SessionStatus::LinkFailed);  // a packet cut short
    ++pending_;
    if (request.opcode == Opcode::Put || request.opcode == Opcode::Get) peerOpen_ = true;
    return {};
}

SessionResult ClientSession::ReadAnswerLocked(bool toConnect, Response* response, std::chrono::milliseconds bound) {
    std::span<const std::uint8_t> bytes;
    transport_->SetDeadline(std::chrono::steady_clock::now() + bound);
    switch (reader_.Next(*transport_, &bytes)) {
        case ReadStatus::Ok: break;
        case ReadStatus::Interrupted: return Status(SessionStatus::Aborted);
        case ReadStatus::TimedOut: return Status(SessionStatus::TimedOut);
        case ReadStatus::Closed:
        case ReadStatus::Failed: return Break(SessionStatus::LinkFailed);
        case ReadStatus::LengthInvalid: return Break(SessionStatus::BadResponse, CodecError::LengthMismatch);
        case ReadStatus::TooLarge: return Break(SessionStatus::BadResponse, CodecError::PacketTooLarge);
    }
    --pending_;
    CodecError error = DecodeResponse(bytes, toConnect, response);
    if (error == CodecError::ConnectTooShort) {
        // Some peers refuse a CONNECT with a bare code; a success must carry the fields.
        Response bare;
        if (DecodeResponse(bytes, false, &bare) == CodecError::None && bare.code != ResponseCode::Success) {
            *response = std::move(bare);
            error = CodecError::None;
        }
    }
    if (error != CodecError::None) return Break(SessionStatus::BadResponse, error);
    // Only an operation's answers come while it is open at the peer (and that of an ABORT,
    // which ends it too): any but Continue is its last.
    if (response->code != ResponseCode::Continue) peerOpen_ = false;
    return {};
}

SessionResult ClientSession::Exchange(const Request& request, OperationId operation, Response* response) {
    return Exchange(request, operation, response, timeout_);
}

SessionResult ClientSession::Exchange(const Request& request, OperationId operation, Response* response,
                                      std::chrono::milliseconds bound) {
    std::lock_guard io(io_);
    if (operation != 0 && !OperationLive(operation)) return Status(SessionStatus::Aborted);
    if (SessionResult sent = SendLocked(request, bound); !sent.ok()) return sent;
    SessionResult result = ReadAnswerLocked(request.opcode == Opcode::Connect, response, bound);
    if (result.status == SessionStatus::TimedOut)
        return GiveUpLocked(request.opcode != Opcode::Connect && request.opcode != Opcode::Disconnect);
    return result;
}

SessionResult ClientSession::AbortLocked(std::vector<Header> headers) {
    SessionResult result;
    const bool abort = peerOpen_;
    if (abort) {
        Request request;
        request.opcode = Opcode::Abort;
        request.headers = WithConnectionId(std::move(headers));
        result = SendLocked(request, windDownBound());
    }
    Response response;
    bool openAtAbort = abort;  // whether the operation was still open when the peer read the ABORT
    while (result.ok() && pending_ > 0) {
        if (abort && pending_ == 1) openAtAbort = peerOpen_;
        result = ReadAnswerLocked(false, &response, windDownBound());
    }
    // A peer whose last answer had ended the operation may refuse an ABORT that crossed it.
    if (result.ok() && openAtAbort && response.code != ResponseCode::Success)
        result = Status(SessionStatus::Refused, response.code);
    return result;
}

SessionResult ClientSession::GiveUpLocked(bool sayGoodbye) {
    SessionResult result = AbortLocked({});
    if (result.ok() && sayGoodbye && connected()) {
        Request request;
        request.opcode = Opcode::Disconnect;
        request.headers = WithConnectionId({});
        Response response;
        if (SendLocked(request, windDownBound()).ok()) ReadAnswerLocked(false, &response, windDownBound());
    }
    return Break(SessionStatus::TimedOut);
}

SessionResult ClientSession::Simple(Request request, std::chrono::milliseconds bound) {
    if (!connected()) return Status(SessionStatus::NotConnected);
    request.headers = WithConnectionId(std::move(request.headers));
    Response response;
    SessionResult result = Exchange(request, 0, &response, bound);
    if (result.ok() && response.code != ResponseCode::Success) return Status(SessionStatus::Refused, response.code);
    return result;
}

SessionResult ClientSession::Connect(std::vector<Header> headers) {
    if (connected()) return Status(SessionStatus::Busy);
    Request request;
    request.opcode = Opcode::Connect;
    request.headers = std::move(headers);
    Response response;
    SessionResult result = Exchange(request, 0, &response);
    if (result.status == SessionStatus::Aborted) {
        // A CONNECT whose answer is still due leaves nothing to go on with.
        std::lock_guard io(io_);
        return Break(SessionStatus::Aborted);
    }
    if (!result.ok()) return result;
    if (response.code != ResponseCode::Success) return Status(SessionStatus::Refused, response.code);
    if (response.connect->maxPacketLength < kMinPacketLength) {
        std::lock_guard io(io_);
        return Break(SessionStatus::BadResponse);
    }
    std::lock_guard lock(state_);
    connected_ = true;
    peerMax_ = response.connect->maxPacketLength;
    const Header* id = FindHeader(response.headers, hid::kConnectionId);
    connectionId_ = id ? std::optional<std::uint32_t>(*id->quad()) : std::nullopt;
    return result;
}

SessionResult ClientSession::Disconnect(std::vector<Header> headers) {
    Request request;
    request.opcode = Opcode::Disconnect;
    request.headers = std::move(headers);
    SessionResult result = Simple(std::move(request), windDownBound());
    if (result.status != SessionStatus::NotConnected) {
        std::lock_guard io(io_);
        Break(SessionStatus::NotConnected);
    }
    return result;
}

SessionResult ClientSession::SetPath(std::uint8_t flags, const std::wstring* name, std::vector<Header> headers) {
    {
        std::lock_guard lock(state_);
        if (current_ != 0) return Status(SessionStatus::Busy);
    }
    Request request;
    request.opcode = Opcode::SetPath;
    request.setPathFlags = flags;
    if (name) headers.insert(headers.begin(), Header::Name(*name));
    request.headers = std::move(headers);
    return Simple(std::move(request), timeout_);
}

SessionResult ClientSession::Abort(std::vector<Header> headers) {
    {
        std::lock_guard lock(state_);
        if (current_ != 0) currentAborted_ = true;
    }
    // Releases a thread waiting inside an exchange; it leaves its answer due (pending_).
    transport_->Interrupt();
    std::lock_guard io(io_);
    transport_->ClearInterrupt();
    // A session that is over has nothing open any more.
    SessionResult result;
    if (!broken_ && connected()) {
        result = AbortLocked(std::move(headers));
    } else if (!broken_) {
        Break(SessionStatus::Aborted);  // a CONNECT awaited, or about to be made, is given up
    }
    if (result.status == SessionStatus::TimedOut) Break(SessionStatus::TimedOut);
    std::lock_guard lock(state_);
    if (currentAborted_) {
        current_ = 0;
        currentAborted_ = false;
    }
    return result;
}

SessionResult ClientSession::StartOperation(OperationId* operation) {
    std::lock_guard lock(state_);
    if (!connected_) return Status(SessionStatus::NotConnected);
    if (current_ != 0) return Status(SessionStatus::Busy);
    current_ = *operation = nextOperation_++;
    return {};
}

void ClientSession::FinishOperation(OperationId operation) {
    std::lock_guard lock(state_);
    if (current_ == operation && !currentAborted_) current_ = 0;
}

bool ClientSession::OperationLive(OperationId operation) const {
    std::lock_guard lock(state_);
    return current_ == operation && !currentAborted_;
}

void ClientSession::EndOperation(OperationId operation) {
    if (operation != 0 && OperationLive(operation)) Abort({});
}

SessionResult ClientSession::Conclude(OperationId operation, const Response& response, ResponseCode expected) {
    if (response.code == expected && expected == ResponseCode::Continue) return {};
    FinishOperation(operation);
    if (response.code == expected || response.code == ResponseCode::Success) return {};
    return Status(SessionStatus::Refused, response.code);
}

SessionResult ClientSession::SendHeaders(Opcode opcode, std::vector<Header> headers, bool finalLast,
                                         OperationId operation, Response* last) {
    const std::size_t room = peerMaxPacketLength() - kPacketPrefixSize - (connectionId() ? kConnectionIdSize : 0);
    std::vector<std::vector<Header>> packets(1);
    std::size_t used = 0;
    for (auto& header : WithConnectionId(std::move(headers))) {
        if (header.id() == hid::kConnectionId) continue;  // put back in each packet below
        const std::size_t size = header.EncodedSize();
        if (size > room) return {SessionStatus::TooLarge, ResponseCode::Success, CodecError::PacketTooLarge};
        if (used + size > room) {
            packets.emplace_back();
            used = 0;
        }
        packets.back().push_back(std::move(header));
        used += size;
    }
    for (std::size_t i = 0; i < packets.size(); ++i) {
        Request request;
        request.opcode = opcode;
        request.final = finalLast && i + 1 == packets.size();
        request.headers = WithConnectionId(std::move(packets[i]));
        if (SessionResult result = Exchange(request, operation, last); !result.ok()) return result;
        if (!request.final && last->code != ResponseCode::Continue) return {};  // the caller concludes
    }
    return {};
}

SessionResult ClientSession::BeginPut(std::vector<Header> headers, OperationId* operation) {
    if (SessionResult started = StartOperation(operation); !started.ok()) return started;
    // The body packets carry no Connection Id, so the first packet is one of headers whenever
    // there is an id to send.
    if (headers.empty() && !connectionId()) return {};
    Response response;
    SessionResult result = SendHeaders(Opcode::Put, std::move(headers), false, *operation, &response);
    if (result.ok()) result = Conclude(*operation, response, ResponseCode::Continue);
    // A peer that answers the headers of a PUT with Success has ended it: nothing to send.
    if (result.ok() && response.code != ResponseCode::Continue) result = Status(SessionStatus::Refused, response.code);
    if (!result.ok()) FinishOperation(*operation);
    return result;
}

SessionResult ClientSession::PutPart(OperationId operation, Bytes* body, bool last, bool endOfBody) {
    Request request;
    request.opcode = Opcode::Put;
    request.final = last;
    // No Connection Id: the operation's first packet carried it (some servers keep every
    // header of an operation, and a long object would pile them up).
    if (!last || endOfBody) request.headers.emplace_back(last ? hid::kEndOfBody : hid::kBody, std::move(*body));
    Response response;
    SessionResult result = Exchange(request, operation, &response);
    Bytes* sent = request.headers.empty() ? nullptr : request.headers.back().bytes();  // the body comes last
    if (sent) *body = std::move(*sent);
    body->clear();
    if (!result.ok()) {
        if (result.status != SessionStatus::Aborted) FinishOperation(operation);
        return result;
    }
    result = Conclude(operation, response, last ? ResponseCode::Success : ResponseCode::Continue);
    if (result.ok() && !last && response.code != ResponseCode::Continue) return Status(SessionStatus::Refused, response.code);
    return result;
}

SessionResult ClientSession::BeginGet(std::vector<Header> headers, OperationId* operation,
                                      std::vector<Header>* answer, bool* more) {
    if (SessionResult started = StartOperation(operation); !started.ok()) return started;
    Response response;
    SessionResult result = SendHeaders(Opcode::Get, std::move(headers), true, *operation, &response);
    if (result.ok()) result = Conclude(*operation, response, ResponseCode::Continue);
    if (!result.ok()) {
        FinishOperation(*operation);
        return result;
    }
    *more = response.code == ResponseCode::Continue;
    *answer = std::move(response.headers);
    return result;
}

SessionResult ClientSession::GetNext(OperationId operation, std::vector<Header>* answer, bool* more) {
    Request request;
    request.opcode = Opcode::Get;  // a bare request, as for the parts of a PUT
    Response response;
    SessionResult result = Exchange(request, operation, &response);
    if (!result.ok()) {
        if (result.status != SessionStatus::Aborted) FinishOperation(operation);
        return result;
    }
    if (result = Conclude(operation, response, ResponseCode::Continue); !result.ok()) return result;
    *more = response.code == ResponseCode::Continue;
    *answer = std::move(response.headers);
    return result;
}

}  // namespace obex
