#pragma once
// The Bluetooth backend: the radio behind the stack driver "BTD0:" and the stack service
// "BTS1:". The driver decodes each request's call block and query structures and calls one
// method here with plain values; the results it gets back it encodes for the caller. No
// caller's pointer ever reaches a backend.
//
// Every method returns 0 or the platform's error number. Device and security requests use
// system error codes (ERROR_TIMEOUT for a device that does not answer, ...); name-space
// lookups use socket codes (WSAEHOSTDOWN, WSA_E_NO_MORE, WSA_E_CANCELLED, ...). Methods may be
// called from several threads at once, and a blocking one (a lookup's Next, a remote name
// query) must return early when its lookup is ended or the backend is replaced.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/bluetooth/sdp_search.h"
#include "platform/bluetooth/sdp_uuid.h"
#include "platform/kernel/unique_fd.h"
#include "platform/kernel/types.h"

// Everything declared here is part of the platform library's interface.
#pragma GCC visibility push(default)

namespace bth {

// A lookup begun by the backend; numbers are never reused.
using LookupId = std::uint64_t;

// A device that answered an inquiry.
struct InquiryDevice {
    BT_ADDR address = 0;
    std::uint32_t classOfDevice = 0;
    std::wstring name;
};

// One SDP service-search-attribute request.
struct ServiceSearch {
    BT_ADDR target = 0;
    std::vector<sdp::Uuid> pattern;           // at least one UUID
    std::vector<sdp::AttributeRange> ranges;  // at least one range, first <= last
};

// One baseband link to a remote device.
struct BasebandLink {
    std::uint16_t handle = 0;
    BT_ADDR address = 0;  // 48 bits
    std::int32_t packetsPending = 0;
    bool acl = false;  // else a synchronous (voice) link
    bool encrypted = false;
    bool authenticated = false;
    std::uint8_t mode = 0;  // 0 active, 1 hold, 2 sniff, 3 park
};

// A PIN of 1 to 16 bytes.
using Pin = std::vector<std::uint8_t>;

// What an incoming pairing request asks: a PIN, or whether to pair at all (with the passkey
// the device shows, when it shows one).
struct PinRequestKind {
    bool confirmation = false;
    std::optional<std::uint32_t> passkey;
};

// Where a serial link delivers what the remote end sends. Called on a backend thread, one call
// at a time per link; it must not call back into the link.
class SerialSink {
public:
    virtual ~SerialSink() = default;
    virtual void Received(const std::uint8_t* data, std::size_t size) = 0;
    // The remote end stopped answering (it left, or hung up); nothing more arrives.
    virtual void Broken() = 0;
};

// One RFCOMM serial link, open until destroyed. Destroying it closes the link; the sink is
// not called after the destructor returns.
class SerialLink {
public:
    virtual ~SerialLink() = default;
    // Sends bytes to the remote end: ERROR_DEVICE_NOT_CONNECTED once the link broke, or (on a
    // server's link) while no remote device is connected.
    virtual DWORD Send(const std::uint8_t* data, std::size_t size) = 0;
    // The RFCOMM channel: the remote service's for a client, our own for a server.
    virtual std::uint8_t Channel() const = 0;
    // The link's byte stream as a socket of the caller's, who reads and writes it directly from
    // now on (an OBEX session): the sink hears nothing more, not even Broken, and what it was
    // handed before this returned is all that came through it. The link stays the owner: when
    // it breaks or is destroyed the stream is shut down both ways. Invalid where the link has
    // no such stream, or has broken; the caller then goes on with Send and the sink.
    virtual platform::UniqueFd TakeStream() { return {}; }
};

// Attaches the sink of a connection that came in and gives its link: 0, or the backend's error
// (the connection went meanwhile). Valid only during the IncomingLinks call it is handed to.
using LinkOpener = std::function<DWORD(SerialSink* sink, std::unique_ptr<SerialLink>* link)>;

// Where a server of ours hears of the remote devices that connect to it, each on a link of its
// own. Called on a backend thread, one call at a time per server; a connection whose link is
// not opened before the call returns is refused.
class IncomingLinks {
public:
    virtual ~IncomingLinks() = default;
    virtual void Connected(BT_ADDR device, const LinkOpener& open) = 0;
};

// A server listening until this is destroyed; connections already handed out stay open.
// Nothing is handed to the listener after the destructor returns.
class Listening {
public:
    virtual ~Listening() = default;
    virtual std::uint8_t Channel() const = 0;
};

class Backend {
public:
    virtual ~Backend() = default;

    // Whether "BTD0:" (the stack) and "BTS1:" (the stack service) exist.
    virtual bool HasStack() = 0;
    virtual bool HasStackService() = 0;

    // The stack's start request on "BTD0:", and the start and stop requests of "BTS1:".
    virtual DWORD StartStack() = 0;
    virtual DWORD ControlStackService(bool start) = 0;

    // What the radio is, for the user: "sim", or "bluez" and the adapter's object name
    // ("bluez hci0").
    virtual std::string Describe() = 0;

    // The local adapter.
    // The adapter's power is the user's switch: switched off, the hardware status reads shut
    // down and the radio finds, pairs and connects nothing until it is switched on again.
    // Nothing but this call changes it (the stack's start request does not).
    virtual DWORD WritePower(bool on) = 0;
    virtual DWORD ReadScanMask(std::uint8_t* mask) = 0;
    virtual DWORD WriteScanMask(std::uint8_t mask) = 0;
    virtual DWORD ReadAuthentication(std::uint8_t* enabled) = 0;
    virtual DWORD WriteAuthentication(std::uint8_t enabled) = 0;
    virtual DWORD ReadLocalClass(std::uint32_t* classOfDevice) = 0;
    virtual DWORD ReadLocalAddress(BT_ADDR* address) = 0;
    virtual DWORD ReadHardwareStatus(std::uint32_t* status) = 0;
    virtual DWORD ReadBasebandLinks(std::vector<BasebandLink>* links) = 0;

    // Remote devices.
    virtual DWORD RemoteName(BT_ADDR address, std::wstring* name) = 0;
    virtual DWORD RemoteClass(BT_ADDR address, std::uint32_t* classOfDevice) = 0;

    // Pairing and the security store.
    virtual DWORD PairRequest(BT_ADDR address, const Pin& pin) = 0;
    virtual DWORD AnswerPairRequest(BT_ADDR address, const Pin& pin) = 0;
    virtual DWORD RefusePinRequest(BT_ADDR address) = 0;
    virtual DWORD RevokePin(BT_ADDR address) = 0;
    virtual DWORD RevokeLinkKey(BT_ADDR address) = 0;

    // Incoming PIN requests: this process's handler is an event, set whenever a request waits
    // (ERROR_ALREADY_ASSIGNED when another handler holds them). The time-outs bound how long
    // the stack keeps a request for the handler, and the handler's answer.
    virtual DWORD RegisterPinRequestEvent(HANDLE event, DWORD storeTimeoutMs, DWORD processTimeoutMs) = 0;
    virtual DWORD UnregisterPinRequestEvent() = 0;
    // The oldest waiting request, or ERROR_NO_MORE_ITEMS.
    virtual DWORD NextPinRequest(BT_ADDR* address) = 0;
    // What the device's open request asks of the user. Devices of Secure Simple Pairing ask
    // for a yes or no, often to a passkey both sides show: answering the request (with any
    // PIN) says yes, refusing it says no. Stacks without it always ask for a PIN.
    virtual DWORD ReadPinRequestKind(BT_ADDR, PinRequestKind* kind) {
        *kind = PinRequestKind{};
        return ERROR_SUCCESS;
    }

    // Name-space lookups. Next hands out one device, or the whole SDP response once, then
    // WSA_E_NO_MORE. EndLookup releases a Next waiting in another thread (WSA_E_CANCELLED);
    // an unknown or ended lookup is WSAEINVAL.
    virtual DWORD BeginInquiry(LookupId* lookup) = 0;
    virtual DWORD BeginServiceSearch(const ServiceSearch& search, LookupId* lookup) = 0;
    virtual DWORD NextInquiryDevice(LookupId lookup, InquiryDevice* device) = 0;
    virtual DWORD NextServiceResponse(LookupId lookup, std::vector<std::uint8_t>* response) = 0;
    virtual DWORD EndLookup(LookupId lookup) = 0;

    // The local SDP database: publishing a record (an SDP data-element stream) gives its
    // handle; ERROR_INVALID_DATA for a malformed record, ERROR_NOT_FOUND for an unknown handle.
    virtual DWORD PublishRecord(const std::vector<std::uint8_t>& record, std::uint32_t* handle) = 0;
    virtual DWORD RemoveRecord(std::uint32_t handle) = 0;
    // The stream published under this handle, as remote devices read it; ERROR_NOT_FOUND for
    // an unknown handle.
    virtual DWORD ReadPublishedRecord(std::uint32_t handle, std::vector<std::uint8_t>* record) = 0;

    // Serial links. A client connects to a remote device's service of this class (channel 0:
    // the channel its SDP record gives): ERROR_TIMEOUT for a device out of reach,
    // ERROR_NOT_FOUND when it offers no such service. A server takes a free RFCOMM channel
    // (one no published record uses) and waits for remote devices to connect to it.
    virtual DWORD ConnectSerial(BT_ADDR device, const sdp::Uuid& serviceClass, std::uint8_t channel, SerialSink* sink,
                                std::unique_ptr<SerialLink>* link) = 0;
    virtual DWORD ListenSerial(SerialSink* sink, std::unique_ptr<SerialLink>* link) = 0;
    // COM port indexes that other drivers of the system own.
    virtual bool IsPortReserved(DWORD index) = 0;

    // The OBEX server service "OBX0:" and the OBEX component the engine creates.
    virtual bool HasObexService() = 0;
    virtual DWORD ControlObexService(bool start) = 0;
    // The OBEX servers behind "OBX0:": remote devices that connect to our service of this class
    // (Object Push or File Transfer) are handed to `listener`, which outlives `listening`. Its
    // record is published with the channel while it listens. ERROR_NOT_SUPPORTED where the
    // backend has no such servers, ERROR_ALREADY_ASSIGNED where another program holds them
    // (`holder` then says which, and what to do).
    virtual DWORD ListenObex(const sdp::Uuid& /*serviceClass*/, IncomingLinks* /*listener*/,
                             std::unique_ptr<Listening>* /*listening*/, std::string* /*holder*/) {
        return ERROR_NOT_SUPPORTED;
    }
    virtual bool HasObexComponent() = 0;
};

// Chooses the process's backend; "BTD0:" and "BTS1:" then answer from it. Call it once at
// start, before the engine's first request. Without a backend the stack is absent.
void InstallBackend(std::shared_ptr<Backend> backend);

// The COM ports the backend reserves for other drivers exist as devices ("COM1:" opens);
// call this when they change.
void RefreshReservedPorts();

// The installed backend, or null.
std::shared_ptr<Backend> InstalledBackend();

}  // namespace bth

#pragma GCC visibility pop
