#pragma once
// bluetoothd's adapter served to the platform's stack driver as its Bluetooth backend. Reads
// are answered from the object cache; actions (power, discovery, pairing, connections) are
// one bounded call to bluetoothd each.
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "bluez/agent/agent.h"
#include "bluez/dbus/bluez_connection.h"
#include "bluez/dbus/bus_loop.h"
#include "bluez/inquiry/lookups.h"
#include "bluez/profile/profiles.h"
#include "platform/bluetooth/bt_backend.h"
#include "platform/bluetooth/published_records.h"

namespace bluez {

class BlueZRadio final : public bth::Backend {
public:
    BlueZRadio();
    ~BlueZRadio() override;

    // Attaches to bluetoothd; see InstallBlueZ.
    bool Attach(unsigned timeoutMs, std::string* error);

    std::string Describe() override;
    DWORD WritePower(bool on) override;

    // The adapter (adapter/radio_adapter.cpp).
    bool HasStack() override;
    bool HasStackService() override;
    DWORD StartStack() override;
    DWORD ControlStackService(bool start) override;
    DWORD ReadScanMask(std::uint8_t* mask) override;
    DWORD WriteScanMask(std::uint8_t mask) override;
    DWORD ReadAuthentication(std::uint8_t* enabled) override;
    DWORD WriteAuthentication(std::uint8_t enabled) override;
    DWORD ReadLocalClass(std::uint32_t* classOfDevice) override;
    DWORD ReadLocalAddress(BT_ADDR* address) override;
    DWORD ReadHardwareStatus(std::uint32_t* status) override;
    DWORD ReadBasebandLinks(std::vector<bth::BasebandLink>* links) override;
    DWORD RemoteName(BT_ADDR address, std::wstring* name) override;
    DWORD RemoteClass(BT_ADDR address, std::uint32_t* classOfDevice) override;

    // Pairing (agent/radio_pairing.cpp).
    DWORD PairRequest(BT_ADDR address, const bth::Pin& pin) override;
    DWORD AnswerPairRequest(BT_ADDR address, const bth::Pin& pin) override;
    DWORD RefusePinRequest(BT_ADDR address) override;
    DWORD RevokePin(BT_ADDR address) override;
    DWORD RevokeLinkKey(BT_ADDR address) override;
    DWORD RegisterPinRequestEvent(HANDLE event, DWORD storeTimeoutMs, DWORD processTimeoutMs) override;
    DWORD UnregisterPinRequestEvent() override;
    DWORD NextPinRequest(BT_ADDR* address) override;
    DWORD ReadPinRequestKind(BT_ADDR address, bth::PinRequestKind* kind) override;

    // Lookups (inquiry/radio_lookups.cpp).
    DWORD BeginInquiry(bth::LookupId* lookup) override;
    DWORD BeginServiceSearch(const bth::ServiceSearch& search, bth::LookupId* lookup) override;
    DWORD NextInquiryDevice(bth::LookupId lookup, bth::InquiryDevice* device) override;
    DWORD NextServiceResponse(bth::LookupId lookup, std::vector<std::uint8_t>* response) override;
    DWORD EndLookup(bth::LookupId lookup) override;

    // The local SDP database and serial links (profile/radio_serial.cpp).
    DWORD PublishRecord(const std::vector<std::uint8_t>& record, std::uint32_t* handle) override;
    DWORD RemoveRecord(std::uint32_t handle) override;
    DWORD ReadPublishedRecord(std::uint32_t handle, std::vector<std::uint8_t>* record) override;
    DWORD ConnectSerial(BT_ADDR device, const sdp::Uuid& serviceClass, std::uint8_t channel, bth::SerialSink* sink,
                        std::unique_ptr<bth::SerialLink>* link) override;
    DWORD ListenSerial(bth::SerialSink* sink, std::unique_ptr<bth::SerialLink>* link) override;
    bool IsPortReserved(DWORD index) override;

    bool HasObexService() override;
    DWORD ControlObexService(bool start) override;
    DWORD ListenObex(const sdp::Uuid& serviceClass, bth::IncomingLinks* listener,
                     std::unique_ptr<bth::Listening>* listening, std::string* holder) override;
    bool HasObexComponent() override;

private:
    // The adapter's object path, or empty while there is none.
    std::string AdapterPath() const;
    // The device's object path from the cache, or empty.
    std::string DevicePath(BT_ADDR address) const;
    // Makes sure bluetoothd has resolved the device's services (connecting to it when it has
    // not), within the time-out; 0, or the error to give the caller.
    DWORD ResolveServices(BT_ADDR address);
    void AnswerInquiry(Lookup& lookup, bth::InquiryDevice* device, DWORD* result);

    BusLoop loop_;
    BlueZConnection connection_{loop_};
    Agent agent_{connection_};
    Profiles profiles_{connection_};
    LookupTable lookups_;

    std::atomic<std::uint8_t> authentication_{0};
    std::atomic<bool> discoveryOurs_{false};  // we started the discovery running now
    std::mutex linksMutex_;
    std::map<BT_ADDR, std::uint16_t> linkHandles_;  // stable handles for the devices connected
    std::uint16_t lastLinkHandle_ = 0;
    std::mutex recordsMutex_;
    bth::PublishedRecords records_;  // what we publish, under handles of our own
    std::uint32_t serverRecordHandle_ = 0;  // the one bluetoothd publishes for our server
};

}  // namespace bluez
