#pragma once
// The simulated radio: the local adapter behind "BTD0:" and "BTS1:", and the neighbourhood
// of the world it was given. One per process.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/bluetooth/bt_driver.h"
#include "platform/bluetooth/bt_namespace.h"
#include "platform/bluetooth/sdp_record.h"
#include "platform/kernel/types.h"
#include "sim/kernel_event.h"
#include "sim/lookups.h"
#include "sim/pin_requests.h"
#include "sim/timeline.h"
#include "sim/world.h"

namespace sim {

struct AdapterState {
    std::uint8_t scanMask = 0;
    std::uint8_t authentication = 0;
    std::uint32_t hardwareReads = 0;  // hardware status reads so far
    bool stackStarted = false;        // "card" start requests received on "BTD0:"
    bool serviceRunning = true;       // "BTS1:" service state
    std::uint32_t serviceStops = 0;
    std::uint32_t serviceStarts = 0;
    std::uint32_t stackStarts = 0;
    std::uint32_t stackRequests = 0;  // call-block requests received on "BTD0:"
};

class Radio {
public:
    static Radio& Instance();

    // Loads the world the environment names (once per process; see LoadConfiguredWorld).
    void EnsureBooted();
    // Boots with `chosen` when it is the first use, else replaces the world with it.
    void Boot(const World* chosen);
    // Replaces the world and resets all state; the adapter's devices come and go with it.
    // Lookups and remote queries still waiting for the old world end (cancelled), its
    // timeline stops, and the stack's security key gets the new world's paired devices.
    void Reset(const World& world);

    World world() const;
    AdapterState adapter() const;
    bool HasFault(const std::string& fault) const;

    // Local adapter requests; each returns a system error code (0 on success).
    DWORD StartStack();
    DWORD ServiceControl(bool start);
    DWORD ReadScanMask(std::uint8_t* mask);
    DWORD WriteScanMask(std::uint8_t mask);
    DWORD ReadAuthentication(std::uint8_t* value);
    DWORD WriteAuthentication(std::uint8_t value);
    DWORD ReadClass(std::uint32_t* classOfDevice);
    DWORD ReadAddress(std::uint64_t* address);
    DWORD ReadHardwareStatus(std::uint32_t* status);
    // Fills up to `capacity` records and reports how many links there are.
    DWORD ReadBasebandConnections(BthDriverConnection* records, DWORD capacity, DWORD* count);

    // Remote devices (radio_remote.cpp). A device that is unknown or out of range does not
    // answer: ERROR_TIMEOUT, as a page time-out. One in range that refuses the query (the
    // world's name_query / class_query false): ERROR_GEN_FAILURE. A Reset during the wait:
    // ERROR_CANCELLED.
    // The name with its terminator goes into `name` when `capacity` (characters) holds it;
    // *required (may be null) gets the characters needed, terminator included, whenever the
    // device answered. Too small: ERROR_INSUFFICIENT_BUFFER. Takes the world's name_ms.
    DWORD RemoteName(BT_ADDR address, DWORD capacity, wchar_t* name, DWORD* required);
    DWORD RemoteClass(BT_ADDR address, std::uint32_t* classOfDevice);
    // Pairing from either side; only an unreachable device is answered so far.
    DWORD PairRequest(BT_ADDR address);

    // Name-space lookups (radio_lookups.cpp); errors are socket-style. Begin: WSAEINVAL for a
    // malformed query. Next: WSAEINVAL for an unknown or ended handle, WSA_E_CANCELLED when the
    // lookup ends while waiting, WSAEFAULT with *bufferLength set when the result does not
    // fit, WSA_E_NO_MORE when nothing is left, WSAEHOSTDOWN for an SDP search of a device that
    // is unknown or out of range. End: WSAEINVAL for an unknown or ended handle.
    DWORD LookupBegin(const WSAQUERYSETW* query, DWORD flags, HANDLE* lookup);
    DWORD LookupNext(HANDLE lookup, WSAQUERYSETW* results, DWORD* bufferLength);
    DWORD LookupEnd(HANDLE lookup);

    // Incoming PIN requests (radio_pins.cpp). A non-null event registers this process as the
    // handler (ERROR_ALREADY_ASSIGNED when another program or another handler holds them); a
    // null one with both time-outs 0 unregisters (ERROR_INVALID_PARAMETER with time-outs).
    // The handler's event is set whenever a request waits.
    DWORD SetSecurityUi(HANDLE event, DWORD storeTimeout, DWORD processTimeout);
    // The oldest waiting request, or ERROR_NO_MORE_ITEMS.
    DWORD GetPinRequest(BT_ADDR* address);
    // A remote device asks to pair (tests, and the world's timeline).
    void RaisePinRequest(BT_ADDR address);

    void CountRequest();
    // Baseband links to remote devices, as the link layer sees them.
    void SetBasebandLinks(const std::vector<BthDriverConnection>& links);

    // Test hooks; Reset clears them.
    // The device answers every SDP search with exactly these bytes (when it is reachable).
    void SetSdpResponseOverride(BT_ADDR address, std::vector<std::uint8_t> response);
    // The device's SDP server holds these records instead of those built from its services.
    void SetSdpRecords(BT_ADDR address, std::vector<sdp::Record> records);
    // Waits up to `timeoutMs` until at least `count` requests are blocked waiting for the
    // radio (inquiries, SDP connections, name queries); true once they are.
    bool AwaitBlockedRequests(std::size_t count, DWORD timeoutMs);

private:
    Radio() = default;
    void InstallDevices(const World& world);
    // A local adapter request: refused with ERROR_GEN_FAILURE when the world lists `fault`,
    // else run under the radio's lock.
    DWORD Serve(const char* fault, const std::function<void()>& request);
    // Lets `milliseconds` of radio time pass; false when `cancel` ends the wait first.
    bool WaitOut(const KernelEvent& cancel, DWORD milliseconds);
    // The device when it is in range; the lock must not be held.
    std::optional<WorldDevice> ReachableDevice(BT_ADDR address) const;
    // With the lock held: takes the lookup's answer from the world.
    void AnswerInquiry(Lookup& lookup) const;
    void AnswerServiceSearch(Lookup& lookup) const;
    void RaiseFromTimeline(std::uint64_t generation, const WorldEvent& event);
    // Stops the timeline and joins its thread.
    void StopTimeline();

    mutable std::mutex mutex_;
    std::once_flag booted_;
    World world_;
    AdapterState adapter_;
    std::vector<BthDriverConnection> links_;

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

    std::mutex resetMutex_;                  // one Reset at a time
    std::vector<std::wstring> pairedValues_;  // the security values this world wrote; under resetMutex_
};

// Convenience for tests and tools: boot, then use this world.
void UseWorld(const World& world);
bool UseWorldText(const std::string& json, std::string* error);

}  // namespace sim
