#pragma once
// The client end of an OBEX session over a blocking transport: CONNECT with maximum packet
// length negotiation and Connection Id, DISCONNECT, SETPATH, ABORT, and PUT / GET spread over
// as many packets as they need. One thread drives an operation; Abort may come from any other
// and releases that thread at once.
//
// Every answer is awaited for the session's time-out at most. One that does not come ends the
// session: an operation still open at the peer is aborted and the peer told goodbye, each
// awaited for a few seconds at most, then the transport is closed.
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/obex/obex_packet.h"
#include "platform/obex/obex_packet_reader.h"
#include "platform/obex/obex_transport.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace obex {

enum class SessionStatus {
    Ok,
    Refused,       // the peer answered with an error code (SessionResult::response)
    LinkFailed,    // the transport closed or failed; the session is over
    BadResponse,   // a malformed or unexpected answer; the session is over
    Aborted,       // Abort ended the operation (or the exchange it interrupted)
    TooLarge,      // a header that does not fit the peer's packets, or that cannot be encoded
    Busy,          // another PUT or GET is still open
    NotConnected,  // no CONNECT yet, or after DISCONNECT
    TimedOut,      // an answer did not come in time; the session is over
};
const char* SessionStatusText(SessionStatus status);

struct SessionResult {
    SessionStatus status = SessionStatus::Ok;
    ResponseCode response = ResponseCode::Success;  // the peer's answer, when there was one
    CodecError codec = CodecError::None;            // what was wrong with a bad answer or request
    bool ok() const { return status == SessionStatus::Ok; }
};

// The open PUT or GET; 0 is none.
using OperationId = std::uint64_t;

class ClientSession {
public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{30000};
    // The bound on the answers to ABORT and DISCONNECT, and on those still due when the
    // session gives up (never more than the session's time-out).
    static constexpr std::chrono::milliseconds kWindDownTimeout{3000};

    explicit ClientSession(std::unique_ptr<Transport> transport, std::chrono::milliseconds timeout = kDefaultTimeout);
    // Closes the transport.
    ~ClientSession();
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    // Offers 65535 bytes as our maximum; keeps the peer's maximum (at least 255) and the
    // Connection Id it returns. `headers` go in the given order (Target first when there is one).
    SessionResult Connect(std::vector<Header> headers);
    // Ends the session and closes the transport, whatever the peer answers.
    SessionResult Disconnect(std::vector<Header> headers);
    // One SETPATH: `flags` as kSetPath…; a Name header with `name` when given (empty: the root).
    // Busy while a PUT or GET is open: OBEX has one operation at a time.
    SessionResult SetPath(std::uint8_t flags, const std::wstring* name, std::vector<Header> headers);
    // Ends the open operation, if any: a thread blocked in its exchange returns Aborted at once;
    // then, when the operation is still open at the peer, ABORT is sent, and every answer still
    // due is read and dropped. With nothing open nothing is sent (a CONNECT being awaited is
    // given up, which ends the session).
    SessionResult Abort(std::vector<Header> headers);

    // The first packet of every request carries the Connection Id; the body packets of a PUT
    // and the continuation requests of a GET that follow do not.
    // PUT: the headers go at once in non-final packets, each answered with Continue.
    SessionResult BeginPut(std::vector<Header> headers, OperationId* operation);
    // One packet of the object: Body (non-final, Continue expected) or, when `last`, the final
    // packet with End-of-Body (`endOfBody`) or without any body (a delete), Success expected.
    // The operation ends with the last packet or any failure. `body` is handed back empty with
    // its storage, for the caller to fill again.
    SessionResult PutPart(OperationId operation, Bytes* body, bool last, bool endOfBody);

    // GET: the headers go in packets of which the last is final. `response` receives the
    // answer's headers; `more` tells whether the peer has more (it answered Continue).
    SessionResult BeginGet(std::vector<Header> headers, OperationId* operation, std::vector<Header>* response,
                           bool* more);
    // Asks for the next part of the object.
    SessionResult GetNext(OperationId operation, std::vector<Header>* response, bool* more);

    // Called when an operation's owner lets it go: one still open is aborted.
    void EndOperation(OperationId operation);

    // The largest Body a PUT packet can carry on this session.
    std::size_t BodyCapacity() const;
    std::uint16_t peerMaxPacketLength() const;
    std::optional<std::uint32_t> connectionId() const;

private:
    // Sends one request and reads its answer (awaited for `bound` at most) under the I/O lock.
    // `operation` (0: none) must still be the open one, not aborted.
    SessionResult Exchange(const Request& request, OperationId operation, Response* response);
    SessionResult Exchange(const Request& request, OperationId operation, Response* response,
                           std::chrono::milliseconds bound);
    // With the I/O lock held: one packet out, one answer in.
    SessionResult SendLocked(const Request& request, std::chrono::milliseconds bound);
    SessionResult ReadAnswerLocked(bool toConnect, Response* response, std::chrono::milliseconds bound);
    // With the I/O lock held: ABORT when an operation is open at the peer, then every answer
    // still due is read.
    SessionResult AbortLocked(std::vector<Header> headers);
    // With the I/O lock held, after an answer did not come in time: winds the session down
    // (abort, then DISCONNECT when `sayGoodbye`, each briefly awaited) and closes it.
    SessionResult GiveUpLocked(bool sayGoodbye);
    std::chrono::milliseconds windDownBound() const { return std::min(timeout_, kWindDownTimeout); }
    // Spreads `headers` over requests of `opcode`, the last one final when `finalLast`; every
    // answer but that of a final request must be Continue. `last` receives the last answer.
    SessionResult SendHeaders(Opcode opcode, std::vector<Header> headers, bool finalLast, OperationId operation,
                              Response* last);
    // The Connection Id first, then `headers` without any Connection Id of their own.
    std::vector<Header> WithConnectionId(std::vector<Header> headers) const;
    // A single-packet request answered with Success.
    SessionResult Simple(Request request, std::chrono::milliseconds bound);
    // The answer to a part of `operation`: `expected` keeps it open, Success ends it, anything
    // else ends it with that code.
    SessionResult Conclude(OperationId operation, const Response& response, ResponseCode expected);
    SessionResult StartOperation(OperationId* operation);
    void FinishOperation(OperationId operation);
    bool OperationLive(OperationId operation) const;
    bool connected() const;
    // With the I/O lock held: marks the session unusable and closes the transport.
    SessionResult Break(SessionStatus status, CodecError codec = CodecError::None);

    std::unique_ptr<Transport> transport_;
    const std::chrono::milliseconds timeout_;

    std::mutex io_;  // one exchange at a time; guards the reader, outgoing_, pending_, broken_, peerOpen_
    PacketReader reader_;
    Bytes outgoing_;  // the packet being sent; kept for its storage
    int pending_ = 0;  // answers due for requests whose exchange was interrupted
    bool broken_ = false;
    bool abandoned_ = false;  // broken by Abort before it was connected: what follows is aborted too
    bool peerOpen_ = false;  // a PUT or GET was sent and its final answer has not been read

    mutable std::mutex state_;  // guards what follows
    bool connected_ = false;
    std::uint16_t peerMax_ = kMinPacketLength;
    std::optional<std::uint32_t> connectionId_;
    OperationId nextOperation_ = 1;
    OperationId current_ = 0;
    bool currentAborted_ = false;
};

}  // namespace obex

#pragma GCC visibility pop
