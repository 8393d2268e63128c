#pragma once
// A remote OBEX service bound to a transport, as the engine's OBEX clients drive it: connect,
// put and get objects through byte streams, change folders, abort, disconnect.
#include <chrono>
#include <memory>

#include "platform/kernel/com.h"
#include "platform/obex/header_collection.h"
#include "platform/obex/obex_codes.h"
#include "platform/obex/obex_transport.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

// The body of one PUT (Write, then Commit) or GET (Read). Calls block on the link; the device's
// Abort, from another thread, makes a waiting call return at once with nothing moved. Letting
// go of a stream whose operation is still open aborts it.
class IStream {
public:
    virtual ~IStream() = default;
    // The whole `size` is taken (`*written` = size) or, on failure, none of it (0).
    virtual HRESULT Write(const void* data, ULONG size, ULONG* written) = 0;
    // Up to `size` bytes; 0 with S_FALSE at the end of the object, 0 with a failure otherwise.
    virtual HRESULT Read(void* buffer, ULONG size, ULONG* read) = 0;
    // Sends the last part of a PUT and waits for the peer's final answer.
    virtual HRESULT Commit(DWORD flags) = 0;
};

class IObexDevice {
public:
    virtual ~IObexDevice() = default;
    // `password` must be null or empty (no authentication); `capability` is not used.
    virtual HRESULT Connect(const wchar_t* password, DWORD capability, IHeaderCollection* headers) = 0;
    // Ends the session; the link is closed whatever the answer.
    virtual HRESULT Disconnect(IHeaderCollection* headers) = 0;
    // Sends the headers and opens the object's stream. A PUT whose headers hold no Length and
    // into which nothing is written ends without a body: the peer deletes the object.
    virtual HRESULT Put(IHeaderCollection* headers, std::unique_ptr<IStream>* stream) = 0;
    virtual HRESULT Get(IHeaderCollection* headers, std::unique_ptr<IStream>* stream) = 0;
    virtual HRESULT Abort(IHeaderCollection* headers) = 0;
    // A folder by name ("Images"), or a path of folders split by '\' or '/': a leading separator
    // starts at the root, ".." goes up; one SETPATH per step, each with `flags` (kSetPathNoCreate
    // and kSetPathBackup as OBEX defines them). Null or empty: the root (or up, with the backup flag).
    // The device knows where the session is: a step that leads where it already is is not sent
    // (a new session is at the root). It fails at the first step refused.
    virtual HRESULT SetPath(const wchar_t* path, DWORD flags, IHeaderCollection* headers) = 0;
};

// Failure results: an OBEX answer other than success carries its response code;
// E_ABORT after Abort; HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED) when the link failed;
// HRESULT_FROM_WIN32(ERROR_INVALID_DATA) for a malformed answer; E_INVALIDARG for headers that
// do not fit the peer's packets; HRESULT_FROM_WIN32(ERROR_BUSY) while another PUT or GET is
// open; E_UNEXPECTED before Connect or after Disconnect.
constexpr HRESULT ObexResponseResult(obex::ResponseCode code) {
    return static_cast<HRESULT>(0x80040E00u | static_cast<std::uint8_t>(code));
}
// The failures of a GET's stream that end its operation (aborted at the peer): a body that runs
// past the Length the peer announced, and answers that keep coming without any body.
constexpr HRESULT OBEX_E_BODY_PAST_LENGTH = static_cast<HRESULT>(0x80040F01u);
constexpr HRESULT OBEX_E_NO_PROGRESS = static_cast<HRESULT>(0x80040F02u);
constexpr bool IsObexResponseResult(HRESULT result) { return (static_cast<std::uint32_t>(result) & 0xFFFFFF00u) == 0x80040E00u; }

namespace platform {

// A device whose session runs over `transport` (a connected link to an OBEX server); each
// answer is awaited for `timeout` at most.
std::shared_ptr<IObexDevice> CreateObexDevice(std::unique_ptr<obex::Transport> transport,
                                              std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace platform

#pragma GCC visibility pop
