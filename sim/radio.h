#pragma once
// The simulated radio: the local adapter and the neighbourhood of the world it was given,
// served to the platform's stack driver as its Bluetooth backend. One per process.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/bluetooth/bt_backend.h"
#include "platform/bluetooth/published_records.h"
#include "platform/bluetooth/sdp_record.h"
#include "platform/kernel/types.h"
#include "platform/obex/obex_session.h"
#include "sim/export.h"
#include "sim/inquiry/lookups.h"
#include "sim/kernel_event.h"
#include "sim/security/pin_requests.h"
#include "sim/timeline/timeline.h"
#include "sim/world/world.h"

namespace sim {

class LinkCore;
class ObexListenerSlot;

// The longest folder listing a simulated device takes from our File Transfer server.
inline constexpr std::size_t kMaxRemoteListing = 256 * 1024;

struct AdapterState {
    bool powered = true;  // the user's switch: off, the radio finds, pairs and connects nothing
    std::uint8_t scanMask = 0;
    std::uint8_t authentication = 0;
    std::uint32_t hardwareReads = 0;  // hardware status reads so far
    bool stackStarted = false;        // "card" start requests received on "BTD0:"
    bool serviceRunning = true;       // "BTS1:" service state
    std::uint32_t serviceStops = 0;
    std::uint32_t serviceStarts = 0;
    std::uint32_t stackStarts = 0;
    std::uint32_t pairRequests = 0;  // pairing requests that reached the radio
    std::uint32_t basebandReads = 0;  // baseband link queries so far
    bool obexServiceRunning = false;  // "OBX0:" service state
};

class NIMBREL_SIM_API Radio final : public bth::Backend {
public:
    // The radio of this process (made on first use with an empty world; see
    // InstallSimulatedRadio for the one a host starts with).
    static Radio& Instance();
    static std::shared_ptr<Radio> Shared();

    // Replaces the world and resets all state. Lookups and remote queries still waiting for
    // the old world end (cancelled), its timeline stops, and the stack's security key gets the
    // new world's paired devices. The power and the scan mask are what an earlier run left
    // (adapter/adapter_settings.h), else the world's.
    void Reset(const World& world);

    World world() const;
    AdapterState adapter() const;

    // bth::Backend: the adapter (adapter/radio_adapter.cpp).
    bool HasStack() override;
    bool HasStackService() override;
    DWORD StartStack() override;
    DWORD ControlStackService(bool start) override;
    // "sim".
    std::string Describe() override;
    // Switched off, the hardware status reads HCI_HARDWARE_SHUTDOWN; inquiries and SDP
    // searches fail with WSAENETDOWN (a down adapter's socket error); name and class queries,
    // pairings and serial connections with ERROR_NOT_READY; no remote device reaches us; every
    // link breaks as when its device leaves (our servers listen on). The state is stored for
    // the next run. The scan mask is stored too when written.
    DWORD WritePower(bool on) override;
    DWORD ReadScanMask(std::uint8_t* mask) override;
    DWORD WriteScanMask(std::uint8_t mask) override;
    DWORD ReadAuthentication(std::uint8_t* enabled) override;
    DWORD WriteAuthentication(std::uint8_t enabled) override;
    DWORD ReadLocalClass(std::uint32_t* classOfDevice) override;
    DWORD ReadLocalAddress(BT_ADDR* address) override;
    DWORD ReadHardwareStatus(std::uint32_t* status) override;
    DWORD ReadBasebandLinks(std::vector<bth::BasebandLink>* links) override;

    // Remote devices (inquiry/radio_remote.cpp). A device that is unknown or out of range does
    // not answer: ERROR_TIMEOUT, as a page time-out. One in range that refuses the query (the
    // world's name_query / class_query false): ERROR_GEN_FAILURE. A Reset during the wait:
    // ERROR_CANCELLED. Names take the world's name_ms.
    DWORD RemoteName(BT_ADDR address, std::wstring* name) override;
    DWORD RemoteClass(BT_ADDR address, std::uint32_t* classOfDevice) override;

    // Pairing and PIN requests (security/radio_security.cpp). A pairing takes the world's
    // pair_ms, then succeeds when the device is in range and takes the PIN: the PIN and a link
    // key are written to the stack's security key. Failures write nothing: ERROR_TIMEOUT for a
    // device out of range, ERROR_ACCESS_DENIED for a PIN it does not expect,
    // ERROR_NOT_AUTHENTICATED for one that refuses every pairing, ERROR_CANCELLED for a Reset
    // during the exchange. AnswerPairRequest needs an open request from the device (else
    // ERROR_NOT_FOUND) and closes it, whatever the outcome.
    DWORD PairRequest(BT_ADDR address, const bth::Pin& pin) override;
    DWORD AnswerPairRequest(BT_ADDR address, const bth::Pin& pin) override;
    // Closes the device's open request; ERROR_NOT_FOUND when none is open.
    DWORD RefusePinRequest(BT_ADDR address) override;
    // Delete the device's PIN or link key value; ERROR_NOT_FOUND when there is none.
    DWORD RevokePin(BT_ADDR address) override;
    DWORD RevokeLinkKey(BT_ADDR address) override;
    DWORD RegisterPinRequestEvent(HANDLE event, DWORD storeTimeoutMs, DWORD processTimeoutMs) override;
    DWORD UnregisterPinRequestEvent() override;
    DWORD NextPinRequest(BT_ADDR* address) override;
    // A device of the world with a passkey asks for a yes to it; the others for a PIN.
    DWORD ReadPinRequestKind(BT_ADDR address, bth::PinRequestKind* kind) override;
    // A remote device asks to pair (tests, and the world's timeline); unheard while the
    // adapter is switched off.
    void RaisePinRequest(BT_ADDR address);

    // Range (inquiry/radio_range.cpp). A device that leaves is out of range, as one the world
    // lists with in_range false: its baseband links go, its serial links break (a server of
    // ours it was connected to listens again). One that returns is in range again; a broken
    // link stays broken until it is connected anew. Devices the world does not know are ignored.
    void Leave(BT_ADDR address);
    void Return(BT_ADDR address);

    // Name-space lookups (inquiry/radio_lookups.cpp). An SDP search of a device that is unknown
    // or out of range fails its first Next with WSAEHOSTDOWN.
    DWORD BeginInquiry(bth::LookupId* lookup) override;
    DWORD BeginServiceSearch(const bth::ServiceSearch& search, bth::LookupId* lookup) override;
    DWORD NextInquiryDevice(bth::LookupId lookup, bth::InquiryDevice* device) override;
    DWORD NextServiceResponse(bth::LookupId lookup, std::vector<std::uint8_t>* response) override;
    DWORD EndLookup(bth::LookupId lookup) override;

    // The local SDP database (sdp/radio_sdp.cpp).
    DWORD PublishRecord(const std::vector<std::uint8_t>& record, std::uint32_t* handle) override;
    DWORD RemoveRecord(std::uint32_t handle) override;
    DWORD ReadPublishedRecord(std::uint32_t handle, std::vector<std::uint8_t>* record) override;
    // The records published now, by handle.
    std::map<std::uint32_t, std::vector<std::uint8_t>> PublishedRecords() const;

    // Serial links (serial/radio_serial.cpp).
    DWORD ConnectSerial(BT_ADDR device, const sdp::Uuid& serviceClass, std::uint8_t channel, bth::SerialSink* sink,
                        std::unique_ptr<bth::SerialLink>* link) override;
    DWORD ListenSerial(bth::SerialSink* sink, std::unique_ptr<bth::SerialLink>* link) override;
    bool IsPortReserved(DWORD index) override;
    // The device connects to our listening server of the lowest channel and answers as its
    // world service's endpoint (echo when it has no serial service), as the timeline's
    // "serial-connect" does: ERROR_TIMEOUT for a device out of reach, ERROR_NOT_FOUND with no
    // server listening.
    DWORD ConnectToServer(BT_ADDR address);

    // Our OBEX servers (obex/radio_obex.cpp). One per class (Object Push, File Transfer) takes a
    // free RFCOMM channel as a serial server does (ERROR_ALREADY_ASSIGNED for a second one of
    // the same class); the engine publishes its record. Remote devices reach it until its
    // Listening goes or the world is replaced; their links break as other serial links do.
    DWORD ListenObex(const sdp::Uuid& serviceClass, bth::IncomingLinks* listener,
                     std::unique_ptr<bth::Listening>* listening, std::string* holder) override;
    // A device of the world connects to our OBEX server and runs an OBEX client over the link,
    // on the calling thread: it pushes `body` as an object named `name` (CONNECT, PUT with Name
    // and Length, DISCONNECT), or lists the shared folder (CONNECT to Folder Browsing, GET of
    // "x-obex/folder-listing", at most kMaxRemoteListing bytes). 0 once connected, with the
    // session's outcome in *result (the final response when our server answered); else
    // ERROR_TIMEOUT for a device out of reach, ERROR_NOT_FOUND with no server of that class
    // listening, ERROR_NOT_READY with the adapter off, ERROR_DEVICE_NOT_CONNECTED when the
    // server did not take the link.
    DWORD PushToServer(BT_ADDR address, const std::wstring& name, const std::vector<std::uint8_t>& body,
                       obex::SessionResult* result);
    DWORD BrowseServer(BT_ADDR address, std::string* listing, obex::SessionResult* result);

    // The OBEX server service and component (adapter/radio_adapter.cpp).
    bool HasObexService() override;
    DWORD ControlObexService(bool start) override;
    bool HasObexComponent() override;

    // Test hooks; Reset clears them.
    // Baseband links to remote devices, as the link layer sees them.
    void SetBasebandLinks(const std::vector<bth::BasebandLink>& links);
    // The device answers every SDP search with exactly these bytes (when it is reachable).
    void SetSdpResponseOverride(BT_ADDR address, std::vector<std::uint8_t> response);
    // The device's SDP server holds these records instead of those built from its services.
    void SetSdpRecords(BT_ADDR address, std::vector<sdp::Record> records);
    // Waits up to `timeoutMs` until at least `count` requests are blocked waiting for the
    // radio (inquiries, SDP connections, name queries); true once they are.
    bool AwaitBlockedRequests(std::size_t count, DWORD timeoutMs);

private:
    Radio() = default;
    // A local adapter request: refused with ERROR_GEN_FAILURE when the world lists `fault`,
    // else run under the radio's lock.
    DWORD Serve(const char* fault, const std::function<void()>& request);
    bool HasFault(const std::string& fault) const;
    bool Powered() const;
    // Lets `milliseconds` of radio time pass; false when `cancel` ends the wait first.
    bool WaitOut(const KernelEvent& cancel, DWORD milliseconds);
    // The device when it is in range (and the adapter on); the lock must not be held.
    std::optional<WorldDevice> ReachableDevice(BT_ADDR address) const;
    // Waits until the lookup's answer is due; 0 with the lookup, or the error ending a Next.
    DWORD AwaitAnswer(bth::LookupId id, std::shared_ptr<Lookup>* lookup);
    // With the lock held: takes the lookup's answer from the world (sdp/radio_sdp.cpp for
    // service searches).
    void AnswerInquiry(Lookup& lookup) const;
    void AnswerServiceSearch(Lookup& lookup) const;
    void RaiseFromTimeline(std::uint64_t generation, const WorldEvent& event);
    // Both pairing directions; `answering` closes the device's open request first.
    DWORD Pair(BT_ADDR address, const bth::Pin& pin, bool answering);
    // Moves the device in or out of range within the world of `generation` (any when absent).
    void SetInRange(BT_ADDR address, bool inRange, std::optional<std::uint64_t> generation);
    // ConnectToServer within the world of `generation` (any world when absent).
    DWORD ConnectRemote(BT_ADDR address, std::optional<std::uint64_t> generation);
    // With the lock held: a baseband link to the device while a serial link uses it.
    std::uint16_t AddBasebandLink(BT_ADDR address);
    // The baseband link goes with its serial link, unless its world has gone already.
    std::function<void()> BasebandLinkRemover(std::uint16_t handle, BT_ADDR address);
    // With the lock held: the channel a new server of ours takes (none when all are used).
    std::optional<std::uint8_t> FreeServerChannel() const;
    // A device's link to our OBEX server of `serviceClass`, as its client's transport.
    DWORD ConnectObexClient(BT_ADDR address, const sdp::Uuid& serviceClass,
                            std::unique_ptr<obex::Transport>* transport);
    // With the lock held: remembers an open link (for Reset to break), forgetting closed ones.
    void TrackSerialLink(const std::shared_ptr<LinkCore>& link);
    // With the lock held: the live links, which the caller breaks once the lock is released.
    std::vector<std::shared_ptr<LinkCore>> TakeSerialLinks();
    // Stops the timeline and joins its thread.
    void StopTimeline();

    mutable std::mutex mutex_;
    World world_;
    AdapterState adapter_;
    std::vector<bth::BasebandLink> links_;

    std::uint64_t generation_ = 0;  // counts Resets: a timeline of an older world is ignored
    // Set by Reset to end the remote queries still waiting in the world it replaces.
    std::shared_ptr<const KernelEvent> abort_ = std::make_shared<const KernelEvent>();
    std::condition_variable waitsChanged_;
    std::size_t blockedWaits_ = 0;
    LookupTable lookups_;
    PinRequests pins_;
    std::unique_ptr<Timeline> timeline_;  // from the stack's first start
    std::map<BT_ADDR, std::vector<std::uint8_t>> sdpOverrides_;
    std::map<BT_ADDR, std::vector<sdp::Record>> sdpRecords_;
    bth::PublishedRecords published_;  // the local SDP database
    std::vector<std::weak_ptr<LinkCore>> serialLinks_;       // open serial links (serial/radio_serial.cpp)
    std::map<std::uint8_t, std::weak_ptr<LinkCore>> servers_;  // our listening servers, by channel
    struct ObexServerEntry {
        std::uint8_t channel = 0;
        std::weak_ptr<ObexListenerSlot> slot;
    };
    std::map<sdp::Uuid, ObexServerEntry> obexServers_;  // our OBEX servers, by service class
    std::uint16_t lastLinkHandle_ = 0;

    // One remote connection to our servers at a time, from its baseband link to its endpoint's
    // attachment: the timeline's and a test's or the control socket's never interleave.
    std::mutex connectMutex_;
    std::mutex resetMutex_;                   // one Reset at a time
    std::mutex settingsMutex_;                // stored settings are written in the order they change
    std::vector<std::wstring> pairedValues_;  // the security values this world wrote; under resetMutex_
};

}  // namespace sim
